// SPDX-License-Identifier: MIT
// The today screen's controller: delegate of the central and of the wristband, and the report decoder's effects.
#include "link/vantro_view_controller.h"

#include "link/audio_player.h"
#include "link/phone_event_relay.h"
#include "platform/local_time.h"
#include "platform/overloaded.h"
#include "platform/setting_keys.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "protocol/report.h"
#include "store/sqlite_data.h"

#include <cmath>

namespace vantro {
namespace {

// Below this the band is taken to be out of range (strictly below: -95.0 itself is still in range).
constexpr float kOutOfRangeDbm = -95.0f;

}  // namespace

VantroViewController::VantroViewController(VantroAppDelegate& app, CentralFactory makeCentral, std::string dataDir)
    : m_app(app), m_makeCentral(std::move(makeCentral)), m_dataDir(std::move(dataDir)) {}

VantroViewController::~VantroViewController() {
    // The shared state outlives this controller; nothing may call back into it afterwards.
    if (m_ownsManagerDelegate && m_app.manager) m_app.manager->setDelegate(nullptr);
    if (m_app.peripheral) m_app.peripheral->setDelegate(nullptr);
    if (m_linkLossTimer) m_app.runLoop().cancel(m_linkLossTimer);
}

std::string VantroViewController::title() const {
    if (!m_app.state().simulated) return m_table.title();
    // Only the short mark: why the simulated band stands in is a sentence, and the screen says it where
    // it can wrap (the today screen's header).
    return m_table.title() + " \u00b7 " + m_app.localized("SimulatedBand");
}

std::string VantroViewController::headerText() const {
    // Why Bluetooth cannot be used matters most; then whether the band is there at all (the rows keep
    // the band's last values), why the simulated band stands in (the title only says that it does), and
    // when the band's data last came in. The header wraps.
    const std::string bluetooth = m_app.bluetoothStateText();
    if (!bluetooth.empty()) return bluetooth;
    std::string text = m_app.syncProgress().lastSyncText(m_app.runLoop().wallNow());
    const CompanionState& s = m_app.state();
    if (s.simulated && !s.whySimulated.empty()) text = m_app.simulatedBandText() + " \u00b7 " + text;
    if (s.link != LinkState::Connected) text = m_app.strBlueStatus() + " \u00b7 " + text;
    return text;
}

void VantroViewController::viewDidLoad() {
    m_table.load(m_app.localizer());
    m_app.setLinkState(LinkState::Disconnected);
    if (!m_app.manager && m_makeCentral) {
        m_app.manager = m_makeCentral();
        if (m_app.manager) {
            m_app.manager->setDelegate(this);
            m_ownsManagerDelegate = true;
        }
    }
    m_app.bleList.emplace();
    m_app.m_db = std::make_shared<sqlite_data>(m_dataDir, m_app.log());
}

void VantroViewController::useCentral(std::shared_ptr<BleCentral> central, std::string dataDir) {
    linkBack();
    if (BlePeripheralPtr band = m_app.peripheral) {
        band->setDelegate(nullptr);
        if (m_app.manager && band->isConnected()) m_app.manager->cancelPeripheralConnection(band);
    }
    if (m_app.manager) {
        m_app.manager->stopScan();
        if (m_ownsManagerDelegate) m_app.manager->setDelegate(nullptr);
    }
    m_app.peripheral.reset();
    m_app.characteristic.reset();
    m_dataDir = std::move(dataDir);
    m_app.manager = std::move(central);
    m_ownsManagerDelegate = m_app.manager != nullptr;
    m_app.bleList.emplace();
    m_app.m_db = std::make_shared<sqlite_data>(m_dataDir, m_app.log());
    m_app.setLinkState(LinkState::Disconnected);
    if (m_app.manager) {
        m_app.manager->setDelegate(this);
        // A central that is already powered on does not report its state again by itself.
        centralManagerDidUpdateState(*m_app.manager);
    }
}

double VantroViewController::heightForRowAtIndexPath(int /*row*/) const {
    return TodayScreen::heightForRowAtIndexPath(m_app.ports().idiom);
}

bool VantroViewController::didSelectRowAtIndexPath(int /*row*/) const {
    return true;
}

void VantroViewController::centralManagerDidUpdateState(BleCentral& central) {
    DebugLog& log = m_app.log();
    switch (central.state()) {
        case BleCentralState::Unknown:
            log.log("StateUnknown------");
            break;
        case BleCentralState::Resetting:
            log.log("StateReseting-----");
            break;
        case BleCentralState::Unsupported:
            log.log("StateUnsupported-----");
            break;
        case BleCentralState::Unauthorized:
            log.log("StateUnahorized-----");
            break;
        case BleCentralState::PoweredOn:
            central.scanForPeripheralsWithServices({BleUuid::fromString(kWristbandServiceUuid)}, true);
            log.log("scanning ble device!-----");
            break;
        default:
            log.log("Central Manager did change state!------");
            break;
    }
    // The screen's Bluetooth state line follows the central's state.
    if (m_table.onRowChanged) m_table.onRowChanged(TodayScreen::kRssi);
    tell(LinkEvent::StateChanged);
}

void VantroViewController::didDiscoverPeripheral(BleCentral& /*central*/, const BlePeripheralPtr& p, double rssi) {
    if (!p) return;
    if (!m_app.bleList) m_app.bleList.emplace();
    const std::string key = seenDeviceKey(*p);
    (*m_app.bleList)[key] = bleDevice{std::nullopt, p, static_cast<float>(rssi)};
    m_app.log().log("---add:" + key);
    tell(LinkEvent::Discovered, p);
}

void VantroViewController::didConnectPeripheral(BleCentral& /*central*/, const BlePeripheralPtr& /*p*/) {
    linkBack();
    // The stored wristband is the one being set up, whichever the platform names.
    if (m_app.peripheral) {
        m_app.peripheral->setDelegate(this);
        m_app.peripheral->discoverServices({BleUuid::fromString(kWristbandServiceUuid)});
    }
    m_app.setLinkState(LinkState::Connected);
    m_app.log().log("perpheral is connected------");
    tell(LinkEvent::Connected, m_app.peripheral);
}

void VantroViewController::didDisconnectPeripheral(BleCentral& /*central*/, const BlePeripheralPtr& p,
                                                   const BleErrorOpt& error) {
    m_app.log().log(" peripheral disconnected ------");
    m_lastLossError = error.has_value();
    m_app.setLinkState(LinkState::Disconnected);
    m_app.syncProgress().linkLost();
    // The platform reports an error only for a link the app did not close itself (a picker switch or a
    // rescan closes it without one).
    const bool expected = m_app.sinceFactoryReset() && *m_app.sinceFactoryReset() <= kFactoryResetDropSeconds;
    if (error && !expected && findMeOn() && p && p == m_app.peripheral) watchLostLink(p);
    // With find-me on the band is being called back (whoever keeps the link asks for it, at once or after
    // a pause); a rescan clears the remembered wristband first, so it is not.
    if (findMeOn() && m_app.peripheral) m_app.setLinkState(LinkState::ReConnecting);
    tell(LinkEvent::Disconnected, p);
}

void VantroViewController::didRetrieveConnectedPeripherals(BleCentral& /*central*/,
                                                           const std::vector<BlePeripheralPtr>& /*peripherals*/) {}

void VantroViewController::didRetrievePeripherals(BleCentral& /*central*/,
                                                  const std::vector<BlePeripheralPtr>& /*peripherals*/) {}

void VantroViewController::didDiscoverServices(BlePeripheral& p, const BleErrorOpt& error) {
    if (error) return;
    const BleUuid wanted = BleUuid::fromString(kWristbandServiceUuid);
    // Copy: discovery requests may change the list on some platforms.
    const auto services = p.services();
    for (const auto& s : services) {
        if (s && s->uuid == wanted) p.discoverCharacteristics({}, s);
    }
}

void VantroViewController::didDiscoverCharacteristicsForService(BlePeripheral& p, const BleServicePtr& service,
                                                                const BleErrorOpt& error) {
    if (error || !service || service->uuid != BleUuid::fromString(kWristbandServiceUuid)) return;
    const BleUuid report = BleUuid::fromString(kReportCharacteristicUuid);
    for (const auto& c : service->characteristics) {
        if (c && c->uuid == report) p.setNotifyValue(true, c);
    }
    m_app.characteristic = service->characteristics;
}

void VantroViewController::didUpdateNotificationStateForCharacteristic(BlePeripheral& p, const BleCharacteristicPtr& c,
                                                                       const BleErrorOpt& error) {
    if (error) m_app.log().warning("Error changing notification state:" + error->localizedDescription);
    if (!c || c->uuid != BleUuid::fromString(kReportCharacteristicUuid)) return;
    if (!c->isNotifying) {
        if (m_app.manager && m_app.peripheral) m_app.manager->cancelPeripheralConnection(m_app.peripheral);
    } else {
        p.readValueForCharacteristic(c);
        tell(LinkEvent::Ready, m_app.peripheral);
    }
}

void VantroViewController::didUpdateValueForCharacteristic(BlePeripheral& /*p*/, const BleCharacteristicPtr& c,
                                                           const BleErrorOpt& /*error*/) {
    // Neither the characteristic nor the error matters: whatever value arrives is a report.
    if (c) handleReport(c->value);
}

void VantroViewController::didWriteValueForCharacteristic(BlePeripheral& /*p*/, const BleCharacteristicPtr& /*c*/,
                                                          const BleErrorOpt& /*error*/) {}

void VantroViewController::handleReport(const Bytes& value) {
    ++m_reportsHandled;
    std::visit(
        Overloaded{
            [this](const EmergencyCallReport&) { imaCalling(); },
            [&](const VersionReport& r) {
                const std::string version = VersionText(r);
                // Kept for the next run, which shows it until the band says otherwise.
                m_app.settings().setString(kBandVersion, version);
                m_app.tell(VersionReported{version});
            },
            [&](const CurrentReport& r) {
                // Burnt today is active and resting together, as the row shows it.
                m_app.tell(TotalsReported{r.steps, static_cast<std::int64_t>(r.distance) * 10,
                                          static_cast<std::int64_t>(r.calories) + r.restcal, r.activeTime, r.battery});
            },
            [&](const DayRecordReport& r) {
                // Complete only once the days stop coming and are stored: a drop before the last one shows.
                const int ticket = m_app.syncProgress().dayCame();
                // A report without a real date is refused by the store and is no failure of it.
                if (!m_app.m_db || !r.date) return m_app.syncProgress().recordStored(ticket, true, true);
                m_writer.write(
                    m_app.m_db,
                    [r](sqlite_data& db) {
                        return db.updateData(r.date, r.steps, r.distance, r.calories, r.restcal, 0, r.activeTime);
                    },
                    [this, ticket](bool stored) { m_app.syncProgress().recordStored(ticket, true, stored); });
            },
            [&](const SleepRecordReport& r) {
                const int ticket = m_app.syncProgress().nightCame();
                if (!m_app.m_db || !r.date) return m_app.syncProgress().recordStored(ticket, false, true);
                m_writer.write(
                    m_app.m_db,
                    [r](sqlite_data& db) {
                        return db.updateSleepData(r.date, r.enterTime, r.spindlesTime, r.deepTime, r.remTime,
                                                  r.wakeupTime, r.wakeupCount, r.totalTime, r.startTime);
                    },
                    [this, ticket](bool stored) { m_app.syncProgress().recordStored(ticket, false, stored); });
            },
            [this](const SyncCompleteReport&) { m_app.syncProgress().noMoreDays(); },
            [](const NothingReport&) {},
            [this](const UnrecognisedReport&) { m_app.log().log("not match type data!"); },
        },
        DecodeReport(value.data(), value.size()));
    tell(LinkEvent::Report);
}

void VantroViewController::showKnownValues() {
    const CompanionState& state = m_app.state();
    if (state.steps) {
        CurrentReport r;
        r.steps = static_cast<std::int32_t>(*state.steps);
        r.distance = static_cast<std::int32_t>(state.distanceMetres.value_or(0) / 10);
        r.calories = static_cast<std::int32_t>(state.calories.value_or(0));
        r.battery = state.batteryPercent.value_or(0);
        r.activeTime = static_cast<std::int32_t>(state.activeMinutes.value_or(0));
        const auto texts = CurrentRowTexts(r, m_table.units());
        for (int row = 0; row < static_cast<int>(texts.size()); ++row) m_table.setDetailText(row, texts[row]);
    }
    if (state.version) m_table.setDetailText(TodayScreen::kVersion, *state.version);
    // No link, no signal: a reading of a link that is gone would claim a band that is not there.
    m_table.setDetailText(TodayScreen::kRssi, state.signalDbm ? strprintf("%ddb", *state.signalDbm)
                                                              : m_table.placeholder(TodayScreen::kRssi));
}

void VantroViewController::stateChanged(const CompanionState& before) {
    showKnownValues();
    // The header says whether the band is there: a new link state is a new header.
    if (before.link != m_app.state().link && m_table.onRowChanged) m_table.onRowChanged(TodayScreen::kRssi);
}

void VantroViewController::peripheralDidUpdateRSSI(BlePeripheral& p, const BleErrorOpt& /*error*/) {
    // No current value (none read yet, or the last one went stale): "0db" would claim a very strong
    // signal and clear a sounding alarm, so the row shows none and the alarm keeps its state.
    const std::optional<double> reading = p.rssi();
    if (!reading || !m_app.isConnected()) {
        m_app.tell(SignalRead{std::nullopt});
        if (!reading) {
            tell(LinkEvent::Signal);
            return;
        }
    } else {
        // Rounded as the row has always printed it ("%.0f": half to even).
        m_app.tell(SignalRead{static_cast<int>(std::nearbyint(*reading))});
    }
    const float strength = static_cast<float>(*reading);
    if (findMeOn()) {
        Audio_player& alarm = Audio_player::sharedInstance();
        if (strength < kOutOfRangeDbm) {
            alarm.setAlert();
        } else {
            alarm.clearAlert();
        }
    }
    tell(LinkEvent::Signal);
}

void VantroViewController::imaCalling() {
    const KeyValueStore& settings = m_app.settings();
    const std::string phone = settings.stringForKey(kImaPhone).value_or("");
    if (!settings.boolForKey(kImaSwitch)) return;
    const auto number = dialableNumber(phone);
    if (!number) {
        m_app.log().warning(strprintf("imaCalling: \"%s\" is not a dialable number, no call placed", phone.c_str()));
        return;
    }
    UrlOpener* urls = m_app.ports().urls;
    const std::string url = strprintf("tel://%s", number->c_str());
    if (!urls || !urls->openURL(url)) m_app.log().warning("imaCalling: could not open " + url);
}

void VantroViewController::watchLostLink(const BlePeripheralPtr& band) {
    if (m_linkLossTimer) m_app.runLoop().cancel(m_linkLossTimer);
    std::weak_ptr<BlePeripheral> lost = band;
    m_linkLossTimer = m_app.runLoop().after(kLinkLossAlarmSeconds, [this, lost] {
        m_linkLossTimer = 0;
        auto p = lost.lock();
        // Another band was picked, the list was rescanned or find-me went off in the meantime: no alarm.
        if (!p || p != m_app.peripheral || p->isConnected() || !findMeOn()) return;
        m_app.log().log(strprintf("link to %s lost for %.0f s", p->identifier().c_str(), kLinkLossAlarmSeconds));
        m_linkLossAlarm = true;
        Audio_player::sharedInstance().setAlert();
    });
}

void VantroViewController::linkBack() {
    if (m_linkLossTimer) m_app.runLoop().cancel(m_linkLossTimer);
    m_linkLossTimer = 0;
    // The band is back: the alarm is over, whichever way it was raised (a weak signal before the loss too).
    if (m_linkLossAlarm || Audio_player::isAlarmActive()) Audio_player::sharedInstance().clearAlert();
    m_linkLossAlarm = false;
}

bool VantroViewController::findMeOn() const {
    return m_app.settings().integerForKey(kFindMe) == kFindMeOn;
}

}  // namespace vantro
