// SPDX-License-Identifier: MIT
// The one composition root: the running companion built from the ports and a band source.
#pragma once

#include "app/vantro_app_delegate.h"
#include "link/message_buzz_limit.h"
#include "link/vantro_view_controller.h"
#include "platform/sleep_watch.h"
#include "session/band_source.h"
#include "session/link_keeper.h"
#include "settings/settings_sync.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vantro {

/// The ports the companion runs on, the delegate's and where its files live; owned by the shell and
/// outliving the session.
struct SessionPorts : AppPorts {
    /// Where the database and settings live; empty means the user's XDG directories.
    std::string dataDir = std::string();
    /// The machine's sleep (logind); none: the companion never hears of a suspend.
    SleepWatch* sleep = nullptr;
};

/// What the companion knows right now, for its clients (bus, command line, status icon).
struct SessionStatus {
    std::string state;  // link status key: "Disconnected", "Connected", "Connecting", ...
    std::string bandName;
    std::string bandId;
    bool simulated = false;
    std::string whySimulated;  // plain words, empty unless the simulated band stands in for want of Bluetooth
    // The today screen's texts, empty while the band has not said.
    std::string steps, distance, activeTime, calories, battery, signal, version;
    std::string lastSync;  // local time of the last completed sync, empty before one
    bool syncing = false;
    bool findMe = false;
    bool operator==(const SessionStatus&) const = default;
};

/// Something built on the running companion (automatic sync, a notification relay, the bus face...).
/// Add-ons are made after the link and destroyed before it, in reverse order of adding.
class SessionAddOn {
public:
    virtual ~SessionAddOn() = default;
};

/// Builds and owns the app delegate, the today/link controller, the phone event relay, the alarm's
/// ports, a settings sync and the add-ons, and tears them down in order. Also the companion's own
/// verbs: connect, disconnect, sync, status, and reconnecting to the chosen band.
class Session {
public:
    Session(SessionPorts ports, BandSource& source);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    VantroAppDelegate& app() { return *m_app; }
    VantroViewController& today() { return *m_today; }
    /// One message buzz per ten seconds, shared by the modem's messages and the desktop's notifications.
    MessageBuzzLimit& messageLimit() { return m_messages; }
    BandSource& source() { return m_source; }
    RunLoop& runLoop() const { return m_ports.runLoop; }
    KeyValueStore& settings() const { return m_ports.settings; }
    DebugLog& log() const { return m_ports.log; }
    const SessionPorts& ports() const { return m_ports; }
    /// Where the records of the band in use are stored (the simulated band's apart).
    const std::string& recordsDir() const { return m_recordsDir; }

    template <class T>
    T& add(std::unique_ptr<T> addOn) {
        T& ref = *addOn;
        m_addOns.push_back(std::move(addOn));
        return ref;
    }
    /// Called after anything a client shows may have changed (link, reports, signal, transfer status).
    /// Returns an id for removeListener; a listener that dies before the session must be removed.
    int onChanged(std::function<void()> listener);
    /// Called when the link to a band comes up (true) or goes (false).
    int onLink(std::function<void(bool connected)> listener);
    /// Called when the machine woke from sleep.
    int onWake(std::function<void()> listener);
    void removeListener(int id);

    enum class Outcome { Started, Busy, NotConnected };
    using Done = std::function<void(bool ok, const std::string& message)>;
    /// Connects to the band with `identifier`, or the nearest one seen when it is empty; waits up to
    /// `timeout` seconds for it to be seen. `done` hears once the band accepts notifications, or why not.
    Outcome connect(const std::string& identifier, Done done, double timeout = 30);
    /// Ends the link to the band (it is not called back).
    Outcome disconnect();
    /// Sends the settings and asks for the band's records; `done` hears once they are stored.
    Outcome sync(Done done);
    bool syncing() const;
    SessionStatus status() const;

    /// The band the companion connects to when it sees it; empty when none was chosen.
    std::string chosenBand() const;
    void forgetBand();
    /// The reconnect policy, the radio's quiet and the machine's sleep.
    LinkKeeper& keeper() { return *m_keeper; }
    /// Moves the simulated band in use: "away" (out of reach), "near" (back) or "drop" (its link breaks
    /// in reach). False with the reason when there is no simulated band to move.
    bool simulateFault(const std::string& what, std::string& message);

    /// Seconds of quiet after the last report before a sync counts as done.
    static constexpr double kSyncQuietSeconds = 1.0;
    /// The longest sync waited for.
    static constexpr double kSyncLimitSeconds = 600;

private:
    void linkEvent(VantroViewController::LinkEvent event, const BlePeripheralPtr& p);
    void switchToRealBand();
    void checkConnectWaiter();
    void checkSyncWaiter();
    void changed();
    BlePeripheralPtr findBand(const std::string& identifier) const;
    void startConnecting(const BlePeripheralPtr& band);
    void finishConnect(bool ok, const std::string& message);
    void finishSync(bool ok, const std::string& message);

    SessionPorts m_ports;
    BandSource& m_source;
    MessageBuzzLimit m_messages;
    std::string m_recordsDir;
    std::unique_ptr<VantroAppDelegate> m_app;
    std::unique_ptr<VantroViewController> m_today;
    std::unique_ptr<SettingsSync> m_sync;
    std::vector<std::unique_ptr<SessionAddOn>> m_addOns;
    std::map<int, std::function<void()>> m_changeListeners;
    std::map<int, std::function<void(bool)>> m_linkListeners;
    std::map<int, std::function<void()>> m_wakeListeners;
    int m_nextListener = 1;

    std::unique_ptr<LinkKeeper> m_keeper;

    struct ConnectWaiter {
        std::string identifier;
        Done done;
        TimerId deadline = 0;
        bool requested = false;
    };
    std::optional<ConnectWaiter> m_connectWaiter;
    struct SyncWaiter {
        Done done;
        double lastReportAt = 0;
        TimerId poll = 0;
        double startedAt = 0;
    };
    std::optional<SyncWaiter> m_syncWaiter;
    bool m_notifying = false;
};

}  // namespace vantro
