// SPDX-License-Identifier: MIT
// Entry points of the Linux backends (BlueZ central, ModemManager telephony) and the one chooser of the
// companion's band, free of Qt types.
#pragma once

#include "platform/ble.h"
#include "platform/debug_log.h"
#include "platform/run_loop.h"
#include "platform/telephony.h"
#include "sim/simulated_band_source.h"

#include <memory>

namespace vantro::bluez {

// Everything here needs a QCoreApplication and a running Qt event loop: replies and signals of the
// system bus arrive through it, and every port callback is then posted onto `loop`.

/// True when bluetoothd answers on the system bus and has at least one adapter (org.bluez with an Adapter1).
bool bluetoothAdapterPresent(int timeoutMs = 1500);

/// The central role over BlueZ, through QtBluetooth in the BlueZ module (opened at the first call); null
/// when the module cannot be opened (one warning says why).
std::shared_ptr<BleCentral> makeBluezCentral(RunLoop& loop, DebugLog& log);
/// Whether the BlueZ module opens (it is opened by this, once).
bool bluezModuleUsable(DebugLog& log);

/// Incoming calls and received messages from ModemManager; without ModemManager it delivers nothing
/// and says so once in the log.
std::unique_ptr<Telephony> makeModemManagerTelephony(RunLoop& loop, DebugLog& log);

/// Which band the companion talks to.
enum class BandChoice {
    Automatic,  // BlueZ when bluetoothd has an adapter; else the simulated bands until one is usable
    Simulated,  // asked for by name
    Bluez,      // asked for by name, even without an adapter
};

/// The one chooser: a real band through BlueZ, or the simulated bands. With the automatic choice and no
/// adapter at start it watches bluetoothd and offers the real adapter as soon as one appears, saying
/// meanwhile why the simulated band stands in.
class SystemBandSource : public BandSource {
public:
    SystemBandSource(BandChoice choice, RunLoop& loop, DebugLog& log, SimulatedBands bands = {});
    ~SystemBandSource() override;
    bool simulated() const override;
    std::shared_ptr<BleCentral> makeCentral() override;
    Telephony& telephony() override;
    std::string whySimulated() const override;
    std::shared_ptr<BleCentral> takeRealCentral() override;
    /// Other applications' notifications on the session bus, unless switched off (the tour's made-up data).
    DesktopNotificationSource* desktopNotifications() override;
    void watchDesktopNotifications(bool on) { m_watchDesktop = on; }
    bool simulateFault(const std::string& what, const std::string& bandId, std::string& message) override {
        return m_simulated.simulateFault(what, bandId, message);
    }
    /// The simulated bands, nearest first (empty before makeCentral or when a real band is used from the start).
    std::vector<std::shared_ptr<SimulatedPeripheral>> wristbands() const { return m_simulated.wristbands(); }
    ScriptedTelephony& scriptedTelephony() { return m_simulated.scriptedTelephony(); }

private:
    struct Watch;
    // Stands in until a real band is usable, and keeps running unwatched after.
    SimulatedBandSource m_simulated;
    RunLoop& m_loop;
    DebugLog& m_log;
    bool m_realFromStart = false;
    std::unique_ptr<Watch> m_watch;
    bool m_watchDesktop = true;
    std::unique_ptr<DesktopNotificationSource> m_desktop;
};

}  // namespace vantro::bluez
