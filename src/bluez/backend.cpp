// SPDX-License-Identifier: MIT
// Entry points of the Linux backends (BlueZ central, ModemManager telephony) and the one chooser of the
// companion's band.
#include "bluez/backend.h"

#include "bluez/adapter_watch.h"
#include "bluez/bluez_dbus.h"
#include "bluez/bluez_module.h"
#include "bluez/desktop_notification_monitor.h"
#include "bluez/modem_manager_telephony.h"
#include "platform/paths.h"

#include <QLibrary>

namespace vantro::bluez {

bool bluetoothAdapterPresent(int timeoutMs) {
    const auto objects = managedObjects(QDBusConnection::systemBus(), kBluezService, QStringLiteral("/"), timeoutMs);
    return objects && !firstAdapterPath(*objects).isEmpty();
}

namespace {

/// The module's entry, opened once (it stays: its objects live until the process ends); null after one
/// warning when the module is missing or is not the BlueZ module.
VantroNewBluezCentral centralFactory(DebugLog& log) {
    static bool tried = false;
    static VantroNewBluezCentral factory = nullptr;
    if (tried) return factory;
    tried = true;
    // A QLibrary does not unload its library when it ends, so one of static duration leaks nothing.
    static QLibrary module(QString::fromStdString(moduleFile(kBluezModuleFile)));
    if (module.load()) factory = reinterpret_cast<VantroNewBluezCentral>(module.resolve(kNewCentralSymbol));
    if (!factory) {
        log.warning("no BlueZ module (" + module.errorString().toStdString() +
                    "); only the simulated band can be used");
    }
    return factory;
}

}  // namespace

bool bluezModuleUsable(DebugLog& log) {
    return centralFactory(log) != nullptr;
}

std::shared_ptr<BleCentral> makeBluezCentral(RunLoop& loop, DebugLog& log) {
    const VantroNewBluezCentral factory = centralFactory(log);
    if (!factory) return nullptr;
    std::shared_ptr<BleCentral> central;
    factory(&loop, &log, &central);
    return central;
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
struct SystemBandSource::Watch {
    SystemBandSource& source;
    std::unique_ptr<AdapterWatch> adapters;
    SwitchingTelephony telephony;
    bool offered = false;

    Watch(SystemBandSource& s, Telephony& first) : source(s), telephony(first) {}
    void seen(AdapterWatch::Seen seen) {
        if (offered || seen != AdapterWatch::Seen::Adapter) {
            if (source.onWhySimulatedChanged) source.onWhySimulatedChanged();
            return;
        }
        offered = true;
        if (source.onRealBandUsable) source.onRealBandUsable();
    }
};

SystemBandSource::SystemBandSource(BandChoice choice, RunLoop& loop, DebugLog& log, SimulatedBands bands)
    : m_simulated(loop, bands), m_loop(loop), m_log(log) {
    if (choice == BandChoice::Simulated) return;
    m_watch = std::make_unique<Watch>(*this, scriptedTelephony());
    if (choice == BandChoice::Automatic) {
        m_watch->adapters =
            std::make_unique<AdapterWatch>(m_loop, [watch = m_watch.get()](AdapterWatch::Seen s) { watch->seen(s); });
        if (m_watch->adapters->seen() != AdapterWatch::Seen::Adapter) return;
    }
    // The BlueZ module is opened only now that a real band is used; without it the simulated band stays.
    if (!bluezModuleUsable(m_log)) return;
    m_watch->adapters.reset();
    m_realFromStart = true;
    m_simulated.becameReal();
    m_watch->telephony.useReal(makeModemManagerTelephony(m_loop, m_log));
}

SystemBandSource::~SystemBandSource() = default;

bool SystemBandSource::simulated() const {
    return m_simulated.simulated();
}

std::shared_ptr<BleCentral> SystemBandSource::makeCentral() {
    if (m_realFromStart) return makeBluezCentral(m_loop, m_log);
    return m_simulated.makeCentral();
}

Telephony& SystemBandSource::telephony() {
    return m_watch ? static_cast<Telephony&>(m_watch->telephony) : scriptedTelephony();
}

std::string SystemBandSource::whySimulated() const {
    if (!simulated() || !m_watch || !m_watch->adapters) return {};
    if (m_watch->adapters->seen() == AdapterWatch::Seen::NotRunning) return "SimulatedNotRunning";
    return "SimulatedNoAdapter";
}

DesktopNotificationSource* SystemBandSource::desktopNotifications() {
    if (!m_watchDesktop) return nullptr;
    if (!m_desktop) m_desktop = std::make_unique<BusNotificationSource>();
    return m_desktop.get();
}

std::shared_ptr<BleCentral> SystemBandSource::takeRealCentral() {
    if (!m_watch || !m_watch->adapters || !simulated()) return nullptr;
    std::shared_ptr<BleCentral> real = makeBluezCentral(m_loop, m_log);
    if (!real) return nullptr;
    m_watch->adapters.reset();
    m_simulated.becameReal();
    m_watch->telephony.useReal(makeModemManagerTelephony(m_loop, m_log));
    return real;
}

}  // namespace vantro::bluez
