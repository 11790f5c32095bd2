// SPDX-License-Identifier: MIT
// Entry points of the Linux backends (BlueZ central, ModemManager telephony) and the one chooser of the
// companion's band.
#include "bluez/backend.h"

#include "bluez/bluez_central.h"
#include "bluez/bluez_dbus.h"
#include "bluez/desktop_notification_monitor.h"
#include "bluez/modem_manager_telephony.h"

namespace vantro::bluez {

bool bluetoothAdapterPresent(int timeoutMs) {
    const auto objects = managedObjects(QDBusConnection::systemBus(), kBluezService, QStringLiteral("/"), timeoutMs);
    return objects && !firstAdapterPath(*objects).isEmpty();
}

std::shared_ptr<BleCentral> makeBluezCentral(RunLoop& loop, DebugLog& log) {
    return std::make_shared<BluezCentral>(loop, log);
}

std::unique_ptr<Telephony> makeModemManagerTelephony(RunLoop& loop, DebugLog& log) {
    return std::make_unique<ModemManagerTelephony>(loop, log);
}

namespace {

/// The phone's events from the simulated phone, and from ModemManager once the real band is used.
class SwitchingTelephony : public Telephony {
public:
    explicit SwitchingTelephony(Telephony& first) : m_first(first) {}
    void addObserver(TelephonyCallback callback) override {
        m_observers.push_back(callback);
        m_first.addObserver(callback);
        if (m_real) m_real->addObserver(std::move(callback));
    }
    void useReal(std::unique_ptr<Telephony> real) {
        m_real = std::move(real);
        for (const auto& o : m_observers) m_real->addObserver(o);
    }

private:
    Telephony& m_first;
    std::unique_ptr<Telephony> m_real;
    std::vector<TelephonyCallback> m_observers;
};

}  // namespace

/// Watches for an adapter while the simulated band stands in.
struct SystemBandSource::Watch : BleCentralDelegate {
    SystemBandSource& source;
    std::shared_ptr<BluezCentral> probe;
    SwitchingTelephony telephony;
    bool offered = false;

    Watch(SystemBandSource& s, Telephony& first) : source(s), telephony(first) {}
    void centralManagerDidUpdateState(BleCentral& central) override {
        const BleCentralState state = central.state();
        if (offered || (state != BleCentralState::PoweredOn && state != BleCentralState::PoweredOff)) {
            if (source.onWhySimulatedChanged) source.onWhySimulatedChanged();
            return;
        }
        offered = true;
        if (source.onRealBandUsable) source.onRealBandUsable();
    }
    void didDiscoverPeripheral(BleCentral&, const BlePeripheralPtr&, double) override {}
    void didConnectPeripheral(BleCentral&, const BlePeripheralPtr&) override {}
    void didDisconnectPeripheral(BleCentral&, const BlePeripheralPtr&, const BleErrorOpt&) override {}
};

SystemBandSource::SystemBandSource(BandChoice choice, RunLoop& loop, DebugLog& log, SimulatedBands bands)
    : SimulatedBandSource(loop, bands), m_loop(loop), m_log(log) {
    if (choice == BandChoice::Simulated) return;
    m_watch = std::make_unique<Watch>(*this, scriptedTelephony());
    if (choice == BandChoice::Bluez || bluetoothAdapterPresent()) {
        m_realFromStart = true;
        becameReal();
        m_watch->telephony.useReal(makeModemManagerTelephony(m_loop, m_log));
        return;
    }
    m_watch->probe = std::make_shared<BluezCentral>(m_loop, m_log);
    m_watch->probe->setDelegate(m_watch.get());
}

SystemBandSource::~SystemBandSource() {
    if (m_watch && m_watch->probe) m_watch->probe->setDelegate(nullptr);
}

bool SystemBandSource::simulated() const {
    return SimulatedBandSource::simulated();
}

std::shared_ptr<BleCentral> SystemBandSource::makeCentral() {
    if (m_realFromStart) return makeBluezCentral(m_loop, m_log);
    return SimulatedBandSource::makeCentral();
}

Telephony& SystemBandSource::telephony() {
    return m_watch ? static_cast<Telephony&>(m_watch->telephony) : scriptedTelephony();
}

std::string SystemBandSource::whySimulated() const {
    if (!simulated() || !m_watch || !m_watch->probe) return {};
    const std::string reason = m_watch->probe->unavailableReason();
    if (reason == "BluetoothNotRunning") return "SimulatedNotRunning";
    return "SimulatedNoAdapter";
}

DesktopNotificationSource* SystemBandSource::desktopNotifications() {
    if (!m_watchDesktop) return nullptr;
    if (!m_desktop) m_desktop = std::make_unique<BusNotificationSource>();
    return m_desktop.get();
}

std::shared_ptr<BleCentral> SystemBandSource::takeRealCentral() {
    if (!m_watch || !m_watch->probe || !simulated()) return nullptr;
    becameReal();
    m_watch->telephony.useReal(makeModemManagerTelephony(m_loop, m_log));
    std::shared_ptr<BleCentral> real = m_watch->probe;
    m_watch->probe->setDelegate(nullptr);
    return real;
}

}  // namespace vantro::bluez
