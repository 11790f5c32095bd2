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

#include <functional>
#include <optional>

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
    /// Asks the running instance to show its window; retries while it is still starting.
    static bool activateRunning(int timeoutMs = 10000);
    /// Asks the running instance to run `action`; false (and `error` set) when none runs or it refused.
    static bool activateRunningAction(const QString& action, QString& error);

    CompanionBus(Session& session, BusActions actions, DebugLog& log);
    ~CompanionBus() override;
    /// Registers the object; false when there is no session bus.
    bool registerObject();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    /// Every property as the bus gives it: numbers as numbers, with kUnknown (-1) for a count or percent
    /// the band has not sent, 0 for no signal reading and 0 for LastSync before the first sync.
    static QVariantMap statusMap(const CompanionState& s);
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

    Session& m_session;
    BusActions m_actions;
    DebugLog& m_log;
    int m_listener = 0;
    bool m_registered = false;
    QVariantMap m_last;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::qt
