// SPDX-License-Identifier: MIT
// The wristband picker: the seen bands with their signal and state, refreshed every second; choosing
// one connects it, the pull-to-refresh rescans.
#pragma once

#include "app/companion.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantro {

class VantroAppDelegate;

/// One row of the wristband picker.
struct PickerRow {
    std::string caption;   // the seen-device key
    std::string subtitle;  // "RSSI:%.2f             %@"
};

class WristbandPicker {
public:
    /// `changed` is told whenever the rows were reloaded.
    /// Picks, rescans and forgets through `companion`.
    WristbandPicker(VantroAppDelegate& app, Companion& companion, std::function<void()> changed);
    ~WristbandPicker();
    WristbandPicker(const WristbandPicker&) = delete;
    WristbandPicker& operator=(const WristbandPicker&) = delete;

    /// Loads the rows and starts the one-second refresh.
    void start();
    /// Stops the refresh (the page is closing).
    void stop();

    /// The rows as last refreshed.
    const std::vector<PickerRow>& rows() const { return m_rows; }
    /// A line above the rows when Bluetooth cannot be used, or which source the connected band's signal
    /// strength comes from; empty when there is nothing to say.
    const std::string& statusLine() const { return m_statusLine; }
    std::string refreshControlTitle;

    /// Reload the rows from the seen-wristband list.
    void updateBleList();
    /// The pull-to-refresh rescan; `refreshing` is the control's state.
    void refreshBleTable(bool refreshing);
    /// Connects, disconnects or switches to the band of `row`; `wait` is the pause between letting one
    /// band go and connecting another.
    void select(int row, const std::function<void(double)>& wait);

    /// "Forget this band": lets the chosen band go; the companion no longer connects to it by itself.
    void forget();
    /// Whether a band is chosen, so that there is one to forget.
    bool canForget() const;

private:
    VantroAppDelegate& m_app;
    Companion& m_companion;
    std::function<void()> m_changed;
    std::vector<PickerRow> m_rows;
    std::string m_statusLine;
    std::uint64_t m_timer = 0;
};

}  // namespace vantro
