// SPDX-License-Identifier: MIT
// The application delegate: launch sequence, the shared state every screen reaches, the send entry point.
#pragma once

#include "app/ble_device.h"
#include "app/companion.h"
#include "app/companion_events.h"
#include "app/sync_progress.h"
#include "platform/ble.h"
#include "platform/debug_log.h"
#include "platform/key_value_store.h"
#include "platform/localizer.h"
#include "platform/run_loop.h"
#include "platform/services.h"
#include "platform/telephony.h"
#include "protocol/command_bytes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantro {

class sqlite_data;

/// The ports the application core runs on; owned by the shell, outliving the delegate.
struct AppPorts {
    RunLoop& runLoop;
    DebugLog& log;
    const Localizer& localizer;
    KeyValueStore& settings;
    Notifier* notifier = nullptr;
    SoundPlayer* sound = nullptr;
    UrlOpener* urls = nullptr;
    DeviceIdiom idiom = DeviceIdiom::Phone;
    std::string displayName = "Vantro";
    std::string version = "1.0.0";
};

/// Holder of the shared state for the whole run; screens reach it as their appDelegate.
class VantroAppDelegate {
public:
    /// `state` is the companion's (the session's): the delegate reads it and tells it what happened.
    VantroAppDelegate(AppPorts ports, CompanionStateKeeper& state);
    ~VantroAppDelegate();
    VantroAppDelegate(const VantroAppDelegate&) = delete;
    VantroAppDelegate& operator=(const VantroAppDelegate&) = delete;

    /// Launch: status texts, the 2-second signal timer (while someone watches the signal), the telephony observer, the
    /// send guard. Telephony events are posted onto the run loop before `onTelephony` sees them.
    bool didFinishLaunchingWithOptions(Telephony* telephony, TelephonyCallback onTelephony);

    // Shared state, in the order the screens rely on.
    std::shared_ptr<sqlite_data> m_db;
    std::shared_ptr<BleCentral> manager;
    BlePeripheralPtr peripheral;
    /// Every characteristic of the wristband service as last discovered; absent before the first discovery.
    std::optional<std::vector<BleCharacteristicPtr>> characteristic;
    /// The link and transfer status texts, localized, made from the state when asked.
    std::string strBlueStatus() const { return localized(linkStateName(state().link)); }
    std::string strTransmitStatus() const;
    /// What the companion knows; the texts above and the screens' rows are made from it.
    const CompanionState& state() const { return m_state.state(); }
    /// Tells the companion what happened (the link, a report, the sync); false when it changed nothing.
    bool tell(const CompanionEvent& event) { return m_state.apply(event); }
    /// Seen wristbands by "name: identifier"; absent until the today screen has loaded.
    std::optional<std::map<std::string, bleDevice>> bleList;
    std::atomic<std::int32_t> m_send_status{0};
    /// "Simulated band", with the reason when there is one.
    std::string simulatedBandText() const;

    /// Tells the link's new state, about the band in `peripheral`.
    void setLinkState(LinkState link);

    /// The one way to send a command: build its frame, write it with response to the command
    /// characteristic, log its line. `length` is accepted and not used; `data` must hold the bytes
    /// the command reads (up to six).
    void SendData(std::uint8_t type, const std::uint8_t* data, std::int8_t length);
    /// The same for bytes made by the command builders.
    void SendData(const Command& command) { SendData(command.type, command.data.data(), command.length); }

    // Connection primitives.
    void startScanning();
    void stopScanning();
    void connectPeripheral(const BlePeripheralPtr& p);
    void disconnectPeripheral(const BlePeripheralPtr& p);
    bool isConnected() const;
    /// Why Bluetooth cannot be used now, in plain words for the screen; empty while it can.
    std::string bluetoothStateText() const;
    /// Seconds since a factory reset was last sent to the band; absent when none was.
    std::optional<double> sinceFactoryReset() const;

    // Who watches the radio: the picker wants discovery, the today screen and find-me a fresh signal.
    void setPickerOpen(bool open);
    bool pickerOpen() const { return m_pickersOpen > 0; }
    void setTodayShown(bool shown);
    bool todayShown() const { return m_todayShown; }
    /// The signal is read every 2 s while someone watches it (find-me on, the today screen shown, the
    /// picker open); otherwise not at all.
    bool signalWatched() const;
    /// Starts or stops the signal timer after a watcher or the find-me setting changed.
    void updateSignalTimer();
    /// Called when the picker opens or closes or the today screen shows or hides.
    std::function<void()> onWatchersChanged;

    // Seen-wristband look-ups and the signal timer's action.
    void readRSSI();
    BlePeripheralPtr getBlePeripheralFromBleList(std::string_view key) const;
    bool comparePeripheral(const BlePeripheralPtr& p1, const BlePeripheralPtr& p2) const;
    bool checkPeripheralFromBlePeripheralArray(const BlePeripheralPtr& p) const;
    const bleDevice* getBlePeripheralFromBlePeripheralArray(const bleDevice* object) const;
    void printPeripheral() const;

    /// A local notification that reached the running app: vibrate unless in background, then a dialog
    /// titled with the display name.
    void didReceiveLocalNotification(const LocalNotification& n);

    RunLoop& runLoop() const { return m_ports.runLoop; }
    DebugLog& log() const { return m_ports.log; }
    const Localizer& localizer() const { return m_ports.localizer; }
    std::string localized(std::string_view key) const { return m_ports.localizer.localizedString(key); }
    KeyValueStore& settings() const { return m_ports.settings; }
    const AppPorts& ports() const { return m_ports; }
    /// The sync now running or last run, whoever started it.
    SyncProgress& syncProgress() { return m_syncProgress; }
    const SyncProgress& syncProgress() const { return m_syncProgress; }
    /// The characteristic commands are written to, when the band's services have been discovered and offer it.
    BleCharacteristicPtr commandCharacteristic() const;

private:
    AppPorts m_ports;
    CompanionStateKeeper& m_state;
    SyncProgress m_syncProgress{*this};
    TimerId m_rssiTimer = 0;
    int m_pickersOpen = 0;
    bool m_todayShown = false;
    std::optional<double> m_factoryResetAt;
};

/// The key under which an advertisement is recorded: "%@: %@" of name and identifier,
/// "(null)" for a peripheral without a name.
std::string seenDeviceKey(const BlePeripheral& p);

}  // namespace vantro
