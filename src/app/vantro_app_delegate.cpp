// SPDX-License-Identifier: MIT
// The application delegate: launch sequence, the shared state every screen reaches, the send entry point.
#include "app/vantro_app_delegate.h"

#include "platform/local_time.h"
#include "platform/setting_keys.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "protocol/frame.h"

#include <algorithm>

namespace vantro {
VantroAppDelegate::VantroAppDelegate(AppPorts ports, CompanionStateKeeper& state)
    : m_ports(std::move(ports)), m_state(state) {}

VantroAppDelegate::~VantroAppDelegate() {
    if (m_rssiTimer) m_ports.runLoop.cancel(m_rssiTimer);
}

bool VantroAppDelegate::didFinishLaunchingWithOptions(Telephony* telephony, TelephonyCallback onTelephony) {
    // The last sync and the band's version outlive the run: the screens show them before the band speaks.
    tell(Restored{m_ports.settings.dateForKey(kLastSyncTime), m_ports.settings.stringForKey(kBandVersion)});
    setLinkState(LinkState::Disconnected);
    updateSignalTimer();
    if (telephony && onTelephony) {
        // The telephony source may call from its own thread; the core runs on the main loop only.
        RunLoop* loop = &m_ports.runLoop;
        telephony->addObserver([loop, onTelephony](const std::string& name, const TelephonyUserInfo& info) {
            loop->post([onTelephony, name, info] { onTelephony(name, info); });
        });
    }
    m_send_status = 0;
    return true;
}

void VantroAppDelegate::setLinkState(LinkState link) {
    LinkChanged e{link, {}, {}};
    if (peripheral) {
        e.bandId = peripheral->identifier();
        e.bandName = peripheral->name().value_or("");
    }
    tell(e);
}

std::string VantroAppDelegate::strTransmitStatus() const {
    const CompanionState& s = state();
    switch (s.sync) {
        case SyncState::Starting:
            return localized("SyncStarting");
        case SyncState::Running:
            return localized("Syncing");
        case SyncState::Idle:
        case SyncState::Complete:
            // Idle after a restart: the last sync of an earlier run is the one to show, as everywhere else.
            if (!s.lastSync) break;
            return strprintf("%s %s", localized("SyncComplete").c_str(), formatDateTime(toLocal(*s.lastSync)).c_str());
        case SyncState::Interrupted:
            return localized("SyncInterrupted");
        case SyncState::Failed: {
            if (!s.syncProblem.empty()) return localized(s.syncProblem);
            return withNumber(localized("SyncFailed"), s.failedWrites);
        }
    }
    return localized("NoSync");
}

void VantroAppDelegate::SendData(std::uint8_t type, const std::uint8_t* data, std::int8_t /*length*/) {
    if (m_send_status == 1) return;
    m_send_status = 1;
    const auto frame = BuildFrame(type, data, kCommandDataSize, toLocal(m_ports.runLoop.wallNow()));
    if (frame) {
        if (const BleCharacteristicPtr c = commandCharacteristic()) {
            if (peripheral) peripheral->writeValue(*frame, c, BleWriteType::WithResponse);
            if (type == CMD_TYPE_FACTORY) m_factoryResetAt = m_ports.runLoop.now();
            m_ports.log.log(CommandLogLine(type));
        }
    }
    m_send_status = 0;
}

BleCharacteristicPtr VantroAppDelegate::commandCharacteristic() const {
    if (!characteristic) return nullptr;
    const BleUuid commandUuid = BleUuid::fromString(kCommandCharacteristicUuid);
    for (const auto& c : *characteristic) {
        if (c && c->uuid == commandUuid) return c;
    }
    return nullptr;
}

void VantroAppDelegate::startScanning() {
    if (manager) manager->scanForPeripheralsWithServices({BleUuid::fromString(kWristbandServiceUuid)}, true);
}

void VantroAppDelegate::stopScanning() {
    if (manager) manager->stopScan();
}

void VantroAppDelegate::connectPeripheral(const BlePeripheralPtr& p) {
    peripheral = p;
    if (manager && p) manager->connectPeripheral(p, true);
}

void VantroAppDelegate::disconnectPeripheral(const BlePeripheralPtr& p) {
    if (manager && p) manager->cancelPeripheralConnection(p);
}

std::string VantroAppDelegate::bluetoothStateText() const {
    if (!manager) return {};
    std::string key = manager->unavailableReason();
    if (key.empty()) {
        switch (manager->state()) {
            case BleCentralState::PoweredOff:
                key = "BluetoothOff";
                break;
            case BleCentralState::Unsupported:
                key = "BluetoothUnsupported";
                break;
            case BleCentralState::Unauthorized:
                key = "BluetoothUnauthorized";
                break;
            default:
                break;
        }
    }
    return key.empty() ? key : localized(key);
}

std::string VantroAppDelegate::simulatedBandText() const {
    const std::string band = localized("SimulatedBand");
    const std::string& why = state().whySimulated;
    return why.empty() ? band : band + " (" + localized(why) + ")";
}

std::optional<double> VantroAppDelegate::sinceFactoryReset() const {
    if (!m_factoryResetAt) return std::nullopt;
    return m_ports.runLoop.now() - *m_factoryResetAt;
}

bool VantroAppDelegate::isConnected() const {
    return peripheral && peripheral->isConnected();
}

void VantroAppDelegate::readRSSI() {
    if (!peripheral) return;
    peripheral->readRSSI();
}

void VantroAppDelegate::updateSignalTimer() {
    // Nobody looks at the signal: no timer wakes the idle companion to read it.
    const bool watched = signalWatched();
    if (watched && !m_rssiTimer) {
        m_rssiTimer = m_ports.runLoop.every(2.0, [this] { readRSSI(); });
    } else if (!watched && m_rssiTimer) {
        m_ports.runLoop.cancel(m_rssiTimer);
        m_rssiTimer = 0;
    }
}

void VantroAppDelegate::setPickerOpen(bool open) {
    m_pickersOpen = std::max(0, m_pickersOpen + (open ? 1 : -1));
    updateSignalTimer();
    if (onWatchersChanged) onWatchersChanged();
}

void VantroAppDelegate::setTodayShown(bool shown) {
    if (shown == m_todayShown) return;
    m_todayShown = shown;
    updateSignalTimer();
    if (onWatchersChanged) onWatchersChanged();
}

bool VantroAppDelegate::signalWatched() const {
    return m_todayShown || pickerOpen() || m_ports.settings.integerForKey(kFindMe) == kFindMeOn;
}

BlePeripheralPtr VantroAppDelegate::getBlePeripheralFromBleList(std::string_view key) const {
    if (!bleList) return nullptr;
    auto it = bleList->find(std::string(key));
    return it == bleList->end() ? nullptr : it->second.device;
}

bool VantroAppDelegate::comparePeripheral(const BlePeripheralPtr& p1, const BlePeripheralPtr& p2) const {
    return p1 && p1 == p2;
}

bool VantroAppDelegate::checkPeripheralFromBlePeripheralArray(const BlePeripheralPtr& p) const {
    if (!bleList) return false;
    for (const auto& [key, dev] : *bleList) {
        if (dev.device == p) return true;
    }
    return false;
}

const bleDevice* VantroAppDelegate::getBlePeripheralFromBlePeripheralArray(const bleDevice* object) const {
    if (!bleList) return nullptr;
    for (const auto& [key, dev] : *bleList) {
        if (&dev == object) return &dev;
    }
    return nullptr;
}

void VantroAppDelegate::printPeripheral() const {
    if (!bleList) return;
    for (const auto& [key, dev] : *bleList) m_ports.log.log(key + " ");
}

void VantroAppDelegate::didReceiveLocalNotification(const LocalNotification& n) {
    if (!m_ports.notifier) return;
    if (m_ports.notifier->applicationState() != AppState::Background && m_ports.sound) m_ports.sound->vibrate();
    m_ports.notifier->showAlert(m_ports.displayName, n.alertBody, n.alertAction);
}

std::string seenDeviceKey(const BlePeripheral& p) {
    return p.name().value_or("(null)") + ": " + p.identifier();
}

}  // namespace vantro
