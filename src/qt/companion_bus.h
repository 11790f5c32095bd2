// SPDX-License-Identifier: MIT
// The companion on the session bus: one instance as org.vantro.Vantro, org.freedesktop.Application and
// its own status and control interface on /org/vantro/Vantro.
#pragma once

#include "platform/debug_log.h"
#include "session/session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace vantro::qt {

inline constexpr char kBusName[] = "org.vantro.Vantro";
inline constexpr char kBusPath[] = "/org/vantro/Vantro";
inline constexpr char kApplicationInterface[] = "org.freedesktop.Application";
inline constexpr char kCompanionInterface[] = "org.vantro.Vantro.Companion";

/// What the bus asks of the app beyond the session.
struct BusActions {
    std::function<void()> show;  // Activate, Open and the "show" action
    std::function<void()> quit;  // the "quit" action
};

/// Serves org.freedesktop.Application and org.vantro.Vantro.Companion for one session.
class CompanionBus : public QDBusVirtualObject {
public:
    enum class Claim { Owned, Taken, NoBus };
    /// Tries to own the bus name on the session bus (without queueing). With Taken another instance runs.
    static Claim claimName(DebugLog& log);
    /// How long a second start waits for the owner of the name to answer as the companion.
    static constexpr int kAnswerMs = 1500;
    /// Asks the running instance to show its window; retries while it is still starting. False when the
    /// owner of the name does not answer as the companion within `timeoutMs`.
    static bool activateRunning(int timeoutMs = kAnswerMs);
    /// Whether the owner of the name answers as the companion within `timeoutMs`: its properties, each
    /// of the type the interface gives it (any process could answer a call; a squatter does not pass).
    static bool ownerIsCompanion(int timeoutMs = kAnswerMs);
    /// Makes one call with `ask` and asks again while the owner answers that its object is not on the bus
    /// yet (a companion that has just claimed the name), for up to `retryFor`; a process squatting on the
    /// name keeps answering so and is given up on then. The last reply.
    static QDBusMessage askWhileStarting(const std::function<QDBusMessage()>& ask, std::chrono::milliseconds retryFor);
    static constexpr int kStartingRetryMs = 50;
    /// Asks the running instance to run `action`; false (and `error` set) when none runs or it refused.
    static bool activateRunningAction(const QString& action, QString& error);

    /// The object before the companion it speaks for: calls that come before attach() wait for it, so
    /// the object can be on the bus before the name and whoever the name brings finds it.
    explicit CompanionBus(DebugLog& log);
    CompanionBus(Session& session, BusActions actions, DebugLog& log);
    ~CompanionBus() override;
    /// The session the object speaks for and what else the bus may ask of the app; calls that came
    /// before are answered now.
    void attach(Session& session, BusActions actions);
    /// Registers the object; false when there is no session bus.
    bool registerObject();
    /// The object on the bus, then the name (callable on a thread of its own); the object leaves the bus
    /// again unless the name was owned.
    Claim registerAndClaim();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    /// Every property as the bus gives it: numbers as numbers, with kUnknown (-1) for a count or percent
    /// the band has not sent, 0 for no signal reading and 0 for LastSync before the first sync.
    static QVariantMap statusMap(const CompanionState& s);
    /// Each property's D-Bus signature, as the interface's description (data/org.vantro.Vantro.xml) gives it.
    static const QMap<QString, QString>& propertySignatures();
    /// Why `status` is not the companion's (a property missing or of another type); empty when it is.
    static QString statusProblem(const QVariantMap& status);
    static constexpr qint64 kUnknown = -1;

private:
    /// statusMap of the session, and DataDir: where the app keeps its records.
    QVariantMap status() const;
    void dispatch(const QDBusMessage& message, const QDBusConnection& connection);
    void replyLater(const QDBusMessage& message, const QDBusConnection& connection, bool ok, const QString& text);
    void statusChanged();
    bool handleApplication(const QDBusMessage& m, const QDBusConnection& c);
    bool handleCompanion(const QDBusMessage& m, const QDBusConnection& c);
    bool handleProperties(const QDBusMessage& m, const QDBusConnection& c);

    Session* m_session = nullptr;
    BusActions m_actions;
    std::vector<std::pair<QDBusMessage, QDBusConnection>> m_waiting;  // calls before attach()
    DebugLog& m_log;
    int m_listener = 0;
    bool m_registered = false;
    QVariantMap m_last;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::qt
