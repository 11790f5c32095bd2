// SPDX-License-Identifier: MIT
// The one composition root: the running companion built from the ports and a band source.
#pragma once

#include "app/companion.h"
#include "app/vantro_app_delegate.h"
#include "link/message_buzz_limit.h"
#include "link/notification_relay.h"
#include "link/vantro_view_controller.h"
#include "platform/band_source.h"
#include "platform/file_watch.h"
#include "platform/sleep_watch.h"
#include "session/link_keeper.h"
#include "settings/auto_sync.h"
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
    /// Tells when the settings file changed; none: other programs' changes are read at the next sync.
    FileWatch* settingsWatch = nullptr;
};

/// Something built on the running companion (a notification relay, the bus face...).
/// Add-ons are made after the link and destroyed before it, in reverse order of adding.
class SessionAddOn {
public:
    virtual ~SessionAddOn() = default;
};

/// Builds and owns the app delegate, the today/link controller, the phone event relay, the alarm's
/// ports, the settings sync, the automatic sync and the add-ons, and tears them down in order. It is the
/// companion: it keeps what the companion knows and every verb that reaches the band goes through it.
class Session : public Companion {
public:
    Session(SessionPorts ports, BandSource& source);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    VantroAppDelegate& app() { return *m_app; }
    VantroViewController& today() { return *m_today; }
    AutoSync& autoSync() { return *m_autoSync; }
    NotificationRelay& relay() { return *m_relay; }
    /// The desktop entries and app names the companion's own notifications carry.
    static std::vector<std::string> ownAppIds();
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
    /// Called after anything a client shows may have changed (link, reports, signal, sync, settings).
    /// Returns an id for removeListener; a listener that dies before the session must be removed.
    int onChanged(std::function<void()> listener);
    /// Called when the link to a band comes up (true) or goes (false).
    int onLink(std::function<void(bool connected)> listener);
    void removeListener(int id);

    // The verbs.
    CompanionState state() const override;
    Outcome connect(const std::string& identifier, Done done, double timeout = 30) override;
    Outcome disconnect() override;
    Outcome sync(Done done) override;
    bool applySetting(std::string_view key) override;
    void setFindMe(bool on) override;
    bool factoryReset() override;
    void forgetBand() override;
    void rescan() override;

    bool syncing() const { return m_app->syncProgress().running(); }
    /// The band the companion connects to when it sees it; empty when none was chosen.
    std::string chosenBand() const;
    /// The reconnect policy, the radio's quiet and the machine's sleep.
    LinkKeeper& keeper() { return *m_keeper; }
    /// Moves the simulated band in use: "away" (out of reach), "near" (back) or "drop" (its link breaks
    /// in reach). False with the reason when there is no simulated band to move.
    bool simulateFault(const std::string& what, std::string& message);
    /// Reads the settings file again when another program changed it, sends the band settings whose
    /// values changed and plans the automatic sync anew. Called kSettingsSettleSeconds after the settings
    /// watch told of a change.
    void settingsMayHaveChanged();

    /// How long after a change to the settings file it is read: a burst of writes is read once.
    static constexpr double kSettingsSettleSeconds = 0.2;

    /// Asks for a link to `band`, letting go of another connected one first. The link keeper's and the
    /// connect verb's way to a band.
    void startConnecting(const BlePeripheralPtr& band);

private:
    void linkEvent(VantroViewController::LinkEvent event, const BlePeripheralPtr& p);
    void switchToRealBand();
    void checkConnectWaiter();
    void stateChanged(const CompanionState& before);
    void changed();
    BlePeripheralPtr findBand(const std::string& identifier) const;
    void finishConnect(bool ok, const std::string& message);
    void rememberBandSettings();

    SessionPorts m_ports;
    BandSource& m_source;
    // What the companion knows: written here alone, through its events.
    CompanionStateKeeper m_state;
    MessageBuzzLimit m_messages;
    std::string m_recordsDir;
    std::unique_ptr<VantroAppDelegate> m_app;
    std::unique_ptr<VantroViewController> m_today;
    std::unique_ptr<SettingsSync> m_sync;
    std::unique_ptr<AutoSync> m_autoSync;
    std::unique_ptr<NotificationRelay> m_relay;
    std::vector<std::unique_ptr<SessionAddOn>> m_addOns;
    std::map<int, std::function<void()>> m_changeListeners;
    std::map<int, std::function<void(bool)>> m_linkListeners;
    int m_nextListener = 1;

    std::unique_ptr<LinkKeeper> m_keeper;

    struct ConnectWaiter {
        std::string identifier;
        Done done;
        TimerId deadline = 0;
        bool requested = false;
    };
    std::optional<ConnectWaiter> m_connectWaiter;
    TimerId m_settingsCheck = 0;
    // The band settings' commands as last sent or seen, by command code, to tell which changed in the file.
    std::map<std::uint8_t, Command> m_bandSettings;
    std::int64_t m_autoSyncHours = -1;
    bool m_notifying = false;
};

}  // namespace vantro
