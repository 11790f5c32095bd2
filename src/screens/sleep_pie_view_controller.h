// SPDX-License-Identifier: MIT
// The screen that shows one night as a pie of its four sleep phases.
#pragma once

#include "screens/sleep_pie_element.h"
#include "screens/sleep_pie_view.h"
#include "screens/view_controller.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantro {

/// One slice as the screen shows it.
struct SleepSlice {
    float value = 0;
    double startAngle = 0;  // degrees
    double endAngle = 0;
    std::string title;
    Color color;
};

/// Holds the pie view; ShowPie replaces the four slices at once.
class SleepPieViewController : public ViewController {
public:
    static constexpr Color kEnterColor{2.0f / 3, 2.0f / 3, 2.0f / 3, 1};
    static constexpr Color kDeepColor{0.6f, 0.4f, 0.2f, 1};
    static constexpr Color kRemColor{1, 0, 1, 1};
    static constexpr Color kWakeupColor{1, 0.5f, 0, 1};

    SleepPieViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize);

    /// The pie view fills the screen.
    void loadView() override;
    std::shared_ptr<SleepPieView> pieView() const { return m_pieView.lock(); }

    /// Shows a night: light sleep (enter + spindles), deep, REM and awake, with titles "text:value".
    /// The durations are whole minutes as stored (never narrowed).
    void ShowPie(std::int32_t enter, std::int32_t spindles, std::int32_t deep, std::int32_t rem, std::int32_t wakeup);
    /// The slices as the pie shows them when no animation runs; empty when it draws nothing.
    std::vector<SleepSlice> slices() const;
    /// One line on how to show a night, until one has been shown; empty afterwards.
    std::string hintText() const { return m_shownNight ? std::string() : localized("SleepPieHint"); }

private:
    void addSlice(std::int64_t value, Color color, const char* key);

    std::weak_ptr<SleepPieView> m_pieView;
    bool m_shownNight = false;
};

}  // namespace vantro
