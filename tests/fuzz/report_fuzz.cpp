// SPDX-License-Identifier: MIT
// Any notified value decodes without reading past its bytes, and every date or time it yields is a real one.
#include "protocol/report.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void expect(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantro;
    // An exact-size heap copy: one byte too far is an AddressSanitizer report.
    auto copy = std::make_unique<std::uint8_t[]>(size);
    if (size) std::memcpy(copy.get(), data, size);
    const DecodedReport report = DecodeReport(copy.get(), size);
    if (const auto* day = std::get_if<DayRecordReport>(&report)) expect(!day->date || day->date->isValid());
    if (const auto* night = std::get_if<SleepRecordReport>(&report)) {
        expect(!night->date || night->date->isValid());
        expect(!night->totalTime || night->totalTime->isValid());
        expect(!night->startTime || night->startTime->isValid());
    }
    // An empty value carries nothing to decode.
    expect(size > 0 || std::holds_alternative<NothingReport>(report));
    return 0;
}
