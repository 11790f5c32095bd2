// SPDX-License-Identifier: MIT
// The today screen's controller: delegate of the central and of the wristband, and the report decoder's effects.
#pragma once

#include "app/vantro_app_delegate.h"
#include "platform/ble.h"
#include "screens/today_screen.h"
#include "store/record_writer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantro {

/// Completes the shared state when its view loads, receives every Bluetooth callback, writes today's
/// values into the today table, stores the band's days and nights, and places the emergency call.
class VantroViewController : public BleCentralDelegate, public BlePeripheralDelegate {
public:
    /// Makes the central manager the first time the view loads (the simulated band, BlueZ, a fake...).
    using CentralFactory = std::function<std::shared_ptr<BleCentral>()>;

    /// `dataDir` is where the activity database lives.
    VantroViewController(VantroAppDelegate& app, CentralFactory makeCentral, std::string dataDir);
    ~VantroViewController() override;
    VantroViewController(const VantroViewController&) = delete;
    VantroViewController& operator=(const VantroViewController&) = delete;

    VantroAppDelegate& appDelegate() const { return m_app; }
    TodayScreen& tableView() { return m_table; }
    const TodayScreen& tableView() const { return m_table; }
    const std::vector<std::string>& Items() const { return m_table.Items(); }
    /// The screen title; it names the simulated band when that one stands in for a real band.
    std::string title() const;

    /// Row titles, the link status, the central manager (once), a new seen-wristband list and database.
    void viewDidLoad();
    int numberOfRowsInSection(int section) const { return m_table.numberOfRowsInSection(section); }
    std::optional<TodayScreen::Cell> cellForRowAtIndexPath(int row) { return m_table.cellForRowAtIndexPath(row); }
    double heightForRowAtIndexPath(int row) const;
    /// Rows have no action: the selection only flashes. Returns whether the shell should deselect.
    bool didSelectRowAtIndexPath(int row) const;
    void refreshBluetooth() {}

    // Central manager callbacks.
    void centralManagerDidUpdateState(BleCentral& central) override;
    void didDiscoverPeripheral(BleCentral& central, const BlePeripheralPtr& p, double rssi) override;
    void didConnectPeripheral(BleCentral& central, const BlePeripheralPtr& p) override;
    void didDisconnectPeripheral(BleCentral& central, const BlePeripheralPtr& p, const BleErrorOpt& error) override;
    void didRetrieveConnectedPeripherals(BleCentral& central, const std::vector<BlePeripheralPtr>& peripherals);
    void didRetrievePeripherals(BleCentral& central, const std::vector<BlePeripheralPtr>& peripherals);

    // Peripheral callbacks.
    void didDiscoverServices(BlePeripheral& p, const BleErrorOpt& error) override;
    void didDiscoverCharacteristicsForService(BlePeripheral& p, const BleServicePtr& service,
                                              const BleErrorOpt& error) override;
    void didUpdateNotificationStateForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                                     const BleErrorOpt& error) override;
    /// Every value that arrives, notified or read, is one report.
    void didUpdateValueForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                         const BleErrorOpt& error) override;
    void didWriteValueForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                        const BleErrorOpt& error) override;
    void peripheralDidUpdateRSSI(BlePeripheral& p, const BleErrorOpt& error) override;

    /// The line above the rows: why Bluetooth cannot be used, else the link's state while it is not up,
    /// why the simulated band stands in, and when the band's data last came in.
    std::string headerText() const;

    /// Writes what the companion knows into the rows on screen (a window opened again shows it at once).
    void showKnownValues();
    /// The companion's state changed from `before`: the rows and the header follow it.
    void stateChanged(const CompanionState& before);

    /// The wristband asked for the emergency call: dial the stored number when the switch is on and the
    /// number is dialable.
    void imaCalling();

    /// Whether the last link to end was lost (an error) rather than closed by the app.
    bool lastLossWasError() const { return m_lastLossError; }

    /// What the link did, for whoever keeps watch besides the screen (the resident companion, its bus face).
    /// Ready: the band's reports are subscribed to and commands can go out (after every connect and
    /// reconnect). Disconnected: the link went down; with find-me on and a band remembered it is being
    /// called back, and whoever keeps the link makes that request.
    enum class LinkEvent { StateChanged, Discovered, Connected, Ready, Disconnected, Report, Signal };
    std::function<void(LinkEvent, const BlePeripheralPtr&)> onLinkEvent;

    /// Hands the link to another central (a real adapter that turned up while the simulated band stood in):
    /// the current link ends, the seen list empties, and the records go to `dataDir` from now on.
    void useCentral(std::shared_ptr<BleCentral> central, std::string dataDir);

    /// Reports decoded since the view loaded, of any kind (for drivers that wait for a sync).
    std::uint64_t reportsHandled() const { return m_reportsHandled; }

    /// With find-me on, a link to the chosen band that drops without being asked to and is not back
    /// within this many seconds sounds the out-of-range alarm.
    static constexpr double kLinkLossAlarmSeconds = 15.0;
    /// A band drops its link when it resets itself; a drop this soon after a factory reset is expected.
    static constexpr double kFactoryResetDropSeconds = 30.0;

private:
    void handleReport(const Bytes& value);
    bool findMeOn() const;
    void watchLostLink(const BlePeripheralPtr& band);
    void linkBack();
    void tell(LinkEvent event, const BlePeripheralPtr& p = nullptr) {
        if (onLinkEvent) onLinkEvent(event, p);
    }

    VantroAppDelegate& m_app;
    CentralFactory m_makeCentral;
    std::string m_dataDir;
    TodayScreen m_table;
    bool m_ownsManagerDelegate = false;
    std::uint64_t m_reportsHandled = 0;
    TimerId m_linkLossTimer = 0;
    bool m_linkLossAlarm = false;
    bool m_lastLossError = false;  // the alarm sounding now was raised by a lost link
    /// The band's day and night records on their way to the database, in the order they came.
    RecordWriter m_writer{m_app.runLoop(), m_app.log()};
};

}  // namespace vantro
