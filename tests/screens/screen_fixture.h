// SPDX-License-Identifier: MIT
// An app delegate with a database in a fresh directory, on virtual time, for the screen tests.
#pragma once

#include "app/vantro_app_delegate.h"
#include "charts/ui_context.h"
#include "platform/manual_run_loop.h"
#include "store/sqlite_data.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace vantro::testing {

struct ScreenFixture : ::testing::Test {
    TempDir dir;
    ManualRunLoop loop;
    CapturingLog log;
    IdentityLocalizer keys;
    MemoryKeyValueStore settings;
    FixedTextMetrics metrics;
    UiContext ui{loop, metrics};
    std::unique_ptr<VantroAppDelegate> app = makeApp(keys);

    std::unique_ptr<VantroAppDelegate> makeApp(const Localizer& localizer) {
        auto a = std::make_unique<VantroAppDelegate>(AppPorts{loop, log, localizer, settings});
        a->m_db = std::make_shared<sqlite_data>(dir.path(), log);
        return a;
    }
    void day(int y, int m, int d, int steps) { app->m_db->updateData(makeDate(y, m, d), steps, 0, 0, 0, 0, 0); }
    void night(int y, int m, int d, int enter, int spindles, int deep, int rem, int wakeup, int count,
               std::optional<TimeOfDay> total = std::nullopt, std::optional<TimeOfDay> start = std::nullopt) {
        app->m_db->updateSleepData(makeDate(y, m, d), enter, spindles, deep, rem, wakeup, count, total, start);
    }
    void step(double seconds) {
        loop.advance(seconds);
        loop.runPending();
    }
};

}  // namespace vantro::testing
