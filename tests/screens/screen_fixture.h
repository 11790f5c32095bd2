// SPDX-License-Identifier: MIT
// The companion with no band, its database in a fresh directory, on virtual time, for the screen tests.
#pragma once

#include "charts/ui_context.h"

#include "session_fixture.h"

namespace vantro::testing {

struct ScreenFixture : SessionFixture {
    FixedTextMetrics metrics;
    UiContext ui{loop, metrics};
    VantroAppDelegate* app = makeApp(identity);

    /// The companion (again) in `texts`; the one before ends.
    VantroAppDelegate* makeApp(const Localizer& texts) {
        localizer = &texts;
        startOn(std::shared_ptr<BleCentral>());
        return &session->app();
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
