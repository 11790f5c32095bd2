// SPDX-License-Identifier: MIT
// What tests on virtual time share: the start instant, running until something holds, hex bytes.
#pragma once

#include "platform/ble.h"
#include "platform/manual_run_loop.h"

#include <functional>
#include <string>

namespace vantro::testing {

/// 2014-07-15 15:04:05 UTC; the tests run with TZ=UTC.
inline const Instant kTestStart{std::chrono::seconds{1405436645}};

/// Runs `loop` a step at a time (a connection interval by default) until `done` or `limit` seconds have
/// passed; whether `done` holds.
inline bool runUntil(ManualRunLoop& loop, const std::function<bool()>& done, double limit = 30, double step = 0.0075) {
    for (double t = 0; t < limit && !done(); t += step) loop.advance(step);
    return done();
}

/// Bytes from "33 10 27 ...".
inline Bytes bytes(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 3) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

}  // namespace vantro::testing
