// SPDX-License-Identifier: MIT
// The wristband picker: the seen bands with their signal and state; choosing, switching, rescanning.
#include "settings/wristband_picker.h"

#include "app/vantro_app_delegate.h"
#include "platform/setting_keys.h"
#include "platform/strprintf.h"

namespace vantro {
namespace {

constexpr double kPickerRefreshSeconds = 1.0;
constexpr double kSwitchBandWaitSeconds = 0.1;

}  // namespace

WristbandPicker::WristbandPicker(VantroAppDelegate& app, Companion& companion, std::function<void()> changed)
    : m_app(app), m_companion(companion), m_changed(std::move(changed)) {}

WristbandPicker::~WristbandPicker() {
    stop();
}

void WristbandPicker::start() {
    refreshControlTitle = m_app.localized("RefreshData");
    updateBleList();
    if (!m_timer) {
        m_timer = m_app.runLoop().every(kPickerRefreshSeconds, [this] { updateBleList(); });
        m_app.setPickerOpen(true);
    }
}

void WristbandPicker::stop() {
    if (!m_timer) return;
    m_app.runLoop().cancel(m_timer);
    m_timer = 0;
    m_app.setPickerOpen(false);
}

void WristbandPicker::updateBleList() {
    m_rows.clear();
    m_statusLine = m_app.bluetoothStateText();
    if (m_statusLine.empty() && m_app.isConnected() && !m_app.manager->signalSource().empty()) {
        m_statusLine = m_app.localized(m_app.manager->signalSource());
    }
    if (m_app.bleList) {
        for (const auto& [key, dev] : *m_app.bleList) {
            const bool connected = dev.device && dev.device->isConnected();
            // A band that is not connected has only its latest advertisement to tell how near it is.
            const double rssi = connected ? dev.device->rssi().value_or(0.0) : static_cast<double>(dev.rssi);
            m_rows.push_back({key, strprintf("RSSI:%.2f             %s", rssi,
                                             m_app.localized(connected ? "Connected" : "Disconnected").c_str())});
            if (m_app.state().simulated) m_rows.back().subtitle += "  \u00b7 " + m_app.simulatedBandText();
        }
    }
    if (m_changed) m_changed();
}

void WristbandPicker::select(int row, const std::function<void(double)>& wait) {
    const std::string caption =
        row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<size_t>(row)].caption : "";
    BlePeripheralPtr p = m_app.getBlePeripheralFromBleList(caption);
    if (!p) return;
    const bool same = m_app.comparePeripheral(p, m_app.peripheral);
    const bool connected = m_app.isConnected();
    if (same && connected) {
        m_companion.disconnect();
        return;
    }
    if (!same) {
        if (connected) m_companion.disconnect();
        if (wait) wait(kSwitchBandWaitSeconds);
    }
    m_companion.connect(p->identifier(), nullptr);
}

void WristbandPicker::refreshBleTable(bool refreshing) {
    if (!refreshing) return;
    m_companion.rescan();
    refreshControlTitle = m_app.localized("Scanning");
    updateBleList();
}

void WristbandPicker::forget() {
    // The band is let go too: a forgotten band that stayed connected would still look chosen.
    if (m_app.isConnected()) m_companion.disconnect();
    m_companion.forgetBand();
    updateBleList();
}

bool WristbandPicker::canForget() const {
    return !m_app.settings().stringForKey(kChosenBand).value_or("").empty();
}

}  // namespace vantro
