// SPDX-License-Identifier: MIT
// The companion on the session bus: one instance as org.vantro.Vantro, org.freedesktop.Application and
// its own status and control interface on /org/vantro/Vantro.
#include "qt/companion_bus.h"

#include "qt/companion_bus_xml.h"

#include "platform/paths.h"
#include "platform/strprintf.h"
#include "settings/setting_text.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QThread>
#include <QXmlStreamReader>

#include <algorithm>

namespace vantro::qt {
namespace {

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr char kErrorNotConnected[] = "org.vantro.Vantro.Error.NotConnected";
constexpr char kErrorFailed[] = "org.vantro.Vantro.Error.Failed";
constexpr char kInvalidArgs[] = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr char kUnknownMethod[] = "org.freedesktop.DBus.Error.UnknownMethod";
constexpr char kUnknownInterface[] = "org.freedesktop.DBus.Error.UnknownInterface";
constexpr char kUnknownProperty[] = "org.freedesktop.DBus.Error.UnknownProperty";
// An error that echoes the caller's text echoes it escaped and cut to this many characters.
constexpr std::size_t kEchoedChars = 200;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

bool sendError(const QDBusMessage& m, const QDBusConnection& c, const char* name, const QString& text) {
    c.send(m.createErrorReply(QString::fromLatin1(name), text));
    return true;
}

}  // namespace

CompanionBus::Claim CompanionBus::claimName(DebugLog& log) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        log.warning("no session bus (" + bus.lastError().message().toStdString() +
                    "): running as a single window, without the bus interface, the one-instance check or "
                    "desktop notifications on the band");
        return Claim::NoBus;
    }
    const auto reply =
        bus.interface()->registerService(QString::fromLatin1(kBusName), QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        log.warning("cannot own " + std::string(kBusName) +
                    " on the session bus: " + reply.error().message().toStdString());
        return Claim::NoBus;
    }
    return reply.value() == QDBusConnectionInterface::ServiceRegistered ? Claim::Owned : Claim::Taken;
}

namespace {

// Calls the owner of the name until it answers or `timeoutMs` has passed; see askWhileStarting.
QDBusMessage callUntilAnswered(const QDBusMessage& call, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    return CompanionBus::askWhileStarting(
        [&] {
            const int left = static_cast<int>(deadline.remainingTime());
            if (left <= 0) return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NoReply"), {});
            return QDBusConnection::sessionBus().call(call, QDBus::Block, left);
        },
        std::chrono::milliseconds(timeoutMs));
}

QDBusMessage companionCall(const char* interface, const char* member) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(kBusName), QString::fromLatin1(kBusPath),
                                          QString::fromLatin1(interface), QString::fromLatin1(member));
}

// The D-Bus signature each property has in the interface's description.
QMap<QString, QString> readPropertySignatures() {
    QMap<QString, QString> types;
    // The description is a run of interfaces; one node around them makes it one document.
    QXmlStreamReader xml(QByteArray("<node>") + QByteArray(kCompanionIntrospection) + QByteArray("</node>"));
    bool inCompanion = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("interface")) {
            inCompanion = xml.attributes().value(QLatin1String("name")) == QLatin1String(kCompanionInterface);
        } else if (xml.isStartElement() && inCompanion && xml.name() == QLatin1String("property")) {
            types.insert(xml.attributes().value(QLatin1String("name")).toString(),
                         xml.attributes().value(QLatin1String("type")).toString());
        }
    }
    return types;
}

// What a value of the bus's basic signature `type` arrives as.
int metaTypeOf(const QString& type) {
    if (type == QLatin1String("s")) return QMetaType::QString;
    if (type == QLatin1String("b")) return QMetaType::Bool;
    if (type == QLatin1String("i")) return QMetaType::Int;
    if (type == QLatin1String("u")) return QMetaType::UInt;
    if (type == QLatin1String("x")) return QMetaType::LongLong;
    if (type == QLatin1String("t")) return QMetaType::ULongLong;
    return QMetaType::UnknownType;
}

}  // namespace

QDBusMessage CompanionBus::askWhileStarting(const std::function<QDBusMessage()>& ask,
                                            std::chrono::milliseconds retryFor) {
    QDeadlineTimer retryUntil(retryFor);
    for (;;) {
        QDBusMessage reply = ask();
        const QString error = reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
        const bool starting = error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
                              error == QLatin1String(kUnknownMethod) || error == QLatin1String(kUnknownInterface);
        if (!starting || retryUntil.remainingTime() < kStartingRetryMs) return reply;
        QThread::msleep(kStartingRetryMs);
    }
}

const QMap<QString, QString>& CompanionBus::propertySignatures() {
    static const QMap<QString, QString> types = readPropertySignatures();
    return types;
}

QString CompanionBus::statusProblem(const QVariantMap& status) {
    for (auto it = propertySignatures().begin(); it != propertySignatures().end(); ++it) {
        const auto found = status.constFind(it.key());
        if (found == status.constEnd()) return QStringLiteral("no %1").arg(it.key());
        if (found->typeId() != metaTypeOf(it.value())) {
            return QStringLiteral("%1 is %2, not of type %3")
                .arg(it.key(), QString::fromLatin1(found->typeName()), it.value());
        }
    }
    return {};
}

bool CompanionBus::activateRunning(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    if (!ownerIsCompanion(timeoutMs)) return false;
    QDBusMessage call = companionCall(kApplicationInterface, "Activate");
    call << QVariantMap();
    return callUntilAnswered(call, static_cast<int>(deadline.remainingTime())).type() == QDBusMessage::ReplyMessage;
}

bool CompanionBus::ownerIsCompanion(int timeoutMs) {
    // Anything can answer a call; only the companion answers with its properties, each of its own type.
    QDBusMessage call = companionCall(kPropertiesInterface, "GetAll");
    call << QString::fromLatin1(kCompanionInterface);
    const QDBusMessage reply = callUntilAnswered(call, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{sv}")) return false;
    return statusProblem(qdbus_cast<QVariantMap>(reply.arguments().constFirst())).isEmpty();
}

bool CompanionBus::activateRunningAction(const QString& action, QString& error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        error = QStringLiteral("no session bus");
        return false;
    }
    if (!ownerIsCompanion()) {
        if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kBusName)).value()) {
            error = QStringLiteral("vantro is not running");
            return false;
        }
        error =
            QStringLiteral("another process owns %1 and does not answer as the companion").arg(QLatin1String(kBusName));
        return false;
    }
    QDBusMessage call = companionCall(kApplicationInterface, "ActivateAction");
    call << action << QVariantList() << QVariantMap();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    error = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
                ? QStringLiteral("vantro is not running")
                : q(escapeText(reply.errorMessage().toStdString(), kEchoedChars));
    return false;
}

CompanionBus::CompanionBus(DebugLog& log) : m_log(log) {}

CompanionBus::CompanionBus(Session& session, BusActions actions, DebugLog& log) : CompanionBus(log) {
    attach(session, std::move(actions));
}

CompanionBus::~CompanionBus() {
    if (m_session) m_session->removeListener(m_listener);
    if (m_registered) QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kBusPath));
}

void CompanionBus::attach(Session& session, BusActions actions) {
    m_session = &session;
    m_actions = std::move(actions);
    m_last = statusMap(session.state());
    m_listener = session.onChanged([this] { statusChanged(); });
    for (const auto& [message, connection] : std::exchange(m_waiting, {})) dispatch(message, connection);
}

CompanionBus::Claim CompanionBus::registerAndClaim() {
    if (!registerObject()) return claimName(m_log);
    const Claim claim = claimName(m_log);
    if (claim != Claim::Owned) {
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kBusPath));
        m_registered = false;
    }
    return claim;
}

bool CompanionBus::registerObject() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    m_registered = bus.registerVirtualObject(QString::fromLatin1(kBusPath), this);
    if (!m_registered) m_log.warning("cannot put the companion's object on the session bus");
    return m_registered;
}

QString CompanionBus::introspect(const QString& /*path*/) const {
    return QString::fromUtf8(kCompanionIntrospection);
}

QVariantMap CompanionBus::status() const {
    QVariantMap all = statusMap(m_session->state());
    all.insert(QStringLiteral("DataDir"), q(recordsDirectory(m_session->ports().dataDir, false)));
    return all;
}

QVariantMap CompanionBus::statusMap(const CompanionState& s) {
    auto count = [](const std::optional<std::int64_t>& v) { return QVariant::fromValue<qint64>(v.value_or(kUnknown)); };
    const qint64 lastSync =
        s.lastSync ? std::chrono::duration_cast<std::chrono::seconds>(s.lastSync->time_since_epoch()).count() : 0;
    return {
        {QStringLiteral("State"), q(std::string(linkStateName(s.link)))},
        {QStringLiteral("BandName"), q(s.bandName)},
        {QStringLiteral("BandId"), q(s.bandId)},
        {QStringLiteral("Simulated"), s.simulated},
        {QStringLiteral("WhySimulated"), q(s.whySimulated)},
        {QStringLiteral("Steps"), count(s.steps)},
        {QStringLiteral("DistanceMetres"), count(s.distanceMetres)},
        {QStringLiteral("ActiveMinutes"), count(s.activeMinutes)},
        {QStringLiteral("Calories"), count(s.calories)},
        {QStringLiteral("Battery"), static_cast<int>(s.batteryPercent.value_or(static_cast<int>(kUnknown)))},
        {QStringLiteral("Signal"), s.signalDbm.value_or(0)},
        {QStringLiteral("Version"), q(s.version.value_or(""))},
        {QStringLiteral("LastSync"), QVariant::fromValue<qint64>(lastSync)},
        {QStringLiteral("Sync"), q(std::string(syncStateName(s.sync)))},
        {QStringLiteral("Syncing"), syncUnderWay(s.sync)},
        {QStringLiteral("DaysStored"), s.daysStored},
        {QStringLiteral("NightsStored"), s.nightsStored},
        {QStringLiteral("FailedWrites"), s.failedWrites},
        {QStringLiteral("FindMe"), s.findMe},
    };
}

void CompanionBus::statusChanged() {
    const QVariantMap now = statusMap(m_session->state());
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (m_last.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    }
    m_last = now;
    if (changed.isEmpty() || !m_registered) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kBusPath), QString::fromLatin1(kPropertiesInterface), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kCompanionInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void CompanionBus::replyLater(const QDBusMessage& message, const QDBusConnection& connection, bool ok,
                              const QString& text) {
    if (ok) {
        connection.send(message.createReply(text));
    } else {
        // The outcome may name what the caller asked for (a band's identifier).
        connection.send(message.createErrorReply(QString::fromLatin1(kErrorFailed),
                                                 q(escapeText(text.toStdString(), kEchoedChars))));
    }
}

bool CompanionBus::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    // Qt may call this on its bus thread; the companion lives on the main thread, so the call goes there.
    message.setDelayedReply(true);
    QMetaObject::invokeMethod(
        this, [this, message, connection] { dispatch(message, connection); }, Qt::QueuedConnection);
    return true;
}

void CompanionBus::dispatch(const QDBusMessage& message, const QDBusConnection& connection) {
    if (!m_session) {
        m_waiting.emplace_back(message, connection);
        return;
    }
    const QString interface = message.interface();
    if (interface == QLatin1String(kApplicationInterface)) {
        handleApplication(message, connection);
    } else if (interface == QLatin1String(kCompanionInterface)) {
        handleCompanion(message, connection);
    } else if (interface == QLatin1String(kPropertiesInterface)) {
        handleProperties(message, connection);
    } else if (interface == QLatin1String("org.freedesktop.DBus.Introspectable") &&
               message.member() == QLatin1String("Introspect")) {
        if (!message.signature().isEmpty()) {
            sendError(message, connection, kInvalidArgs,
                      QStringLiteral("Introspect takes no arguments, not (%1)").arg(message.signature()));
            return;
        }
        connection.send(message.createReply(
            QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
                           "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n"
                           "<interface name=\"org.freedesktop.DBus.Introspectable\"><method name=\"Introspect\">"
                           "<arg type=\"s\" direction=\"out\"/></method></interface>\n"
                           "<interface name=\"org.freedesktop.DBus.Peer\"><method name=\"Ping\"/></interface>\n"
                           "<interface name=\"org.freedesktop.DBus.Properties\">"
                           "<method name=\"Get\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
                           "<arg type=\"v\" direction=\"out\"/></method>"
                           "<method name=\"GetAll\"><arg type=\"s\" direction=\"in\"/>"
                           "<arg type=\"a{sv}\" direction=\"out\"/></method>"
                           "<signal name=\"PropertiesChanged\"><arg type=\"s\"/><arg type=\"a{sv}\"/><arg type=\"as\"/>"
                           "</signal></interface>\n") +
            introspect(message.path()) + QStringLiteral("</node>\n")));
    } else if (interface == QLatin1String("org.freedesktop.DBus.Peer") && message.member() == QLatin1String("Ping")) {
        connection.send(message.createReply());
    } else {
        sendError(message, connection, kUnknownInterface, QStringLiteral("no interface '%1' here").arg(interface));
    }
}

bool CompanionBus::handleApplication(const QDBusMessage& m, const QDBusConnection& c) {
    const QString member = m.member();
    const QString signature = m.signature();
    if (member == QLatin1String("Activate") || member == QLatin1String("Open")) {
        const QString wanted =
            member == QLatin1String("Activate") ? QStringLiteral("a{sv}") : QStringLiteral("asa{sv}");
        if (signature != wanted) {
            return sendError(m, c, kInvalidArgs,
                             QStringLiteral("%1 takes (%2), not (%3)").arg(member, wanted, signature));
        }
        m_log.log("bus: " + member.toStdString());
        c.send(m.createReply());
        if (m_actions.show) m_actions.show();
        return true;
    }
    if (member == QLatin1String("ActivateAction")) {
        if (signature != QLatin1String("sava{sv}")) {
            return sendError(m, c, kInvalidArgs,
                             QStringLiteral("ActivateAction takes (sava{sv}), not (%1)").arg(signature));
        }
        const QString action = m.arguments().at(0).toString();
        m_log.log("bus: ActivateAction " + quoteText(action.toStdString()));
        if (action == QLatin1String("show")) {
            c.send(m.createReply());
            if (m_actions.show) m_actions.show();
        } else if (action == QLatin1String("quit")) {
            c.send(m.createReply());
            if (m_actions.quit) m_actions.quit();
        } else if (action == QLatin1String("sync")) {
            const auto outcome = m_session->sync([this](bool ok, const std::string& why) {
                m_log.log(std::string("bus: sync action ") + (ok ? "done: " : "failed: ") + why);
            });
            if (outcome == Session::Outcome::NotConnected) {
                return sendError(m, c, kErrorNotConnected, QStringLiteral("no band is connected"));
            }
            c.send(m.createReply());
        } else {
            return sendError(
                m, c, kInvalidArgs,
                QStringLiteral("unknown action %1 (show, sync, quit)").arg(q(quoteText(action.toStdString()))));
        }
        return true;
    }
    return sendError(m, c, kUnknownMethod, QStringLiteral("no method '%1' in %2").arg(member, m.interface()));
}

bool CompanionBus::handleCompanion(const QDBusMessage& m, const QDBusConnection& c) {
    const QString member = m.member();
    const QString signature = m.signature();
    auto takes = [&](const char* wanted) {
        if (signature == QLatin1String(wanted)) return true;
        sendError(m, c, kInvalidArgs,
                  QStringLiteral("%1 takes (%2), not (%3)").arg(member, QLatin1String(wanted), signature));
        return false;
    };
    std::weak_ptr<int> alive = m_alive;
    if (member == QLatin1String("GetStatus")) {
        if (takes("")) c.send(m.createReply(status()));
        return true;
    }
    if (member == QLatin1String("Connect")) {
        // (s) waits the usual 30 s; (su) as many seconds as the caller waits itself.
        if (signature != QLatin1String("su") && !takes("s")) return true;
        m.setDelayedReply(true);
        const QDBusMessage call = m;
        m_session->connect(
            m.arguments().at(0).toString().toStdString(),
            [this, alive, call, c](bool ok, const std::string& why) {
                if (alive.lock()) replyLater(call, c, ok, q(why));
            },
            signature == QLatin1String("su") ? std::clamp(m.arguments().at(1).toUInt(), 1u, 3600u) : 30.0);
        return true;
    }
    if (member == QLatin1String("Disconnect")) {
        if (!takes("")) return true;
        const auto outcome = m_session->disconnect();
        if (outcome == Session::Outcome::NotConnected) {
            return sendError(m, c, kErrorNotConnected, QStringLiteral("no band is connected"));
        }
        c.send(m.createReply());
        return true;
    }
    if (member == QLatin1String("SimulateFault")) {
        if (!takes("s")) return true;
        std::string message;
        if (!m_session->simulateFault(m.arguments().at(0).toString().toStdString(), message)) {
            return sendError(m, c, kErrorFailed, q(escapeText(message, kEchoedChars)));
        }
        c.send(m.createReply(q(escapeText(message, kEchoedChars))));
        return true;
    }
    if (member == QLatin1String("SetSetting")) {
        if (!takes("ss")) return true;
        const std::string key = m.arguments().at(0).toString().toStdString();
        const auto parsed =
            parseSettingText(key, m.arguments().at(1).toString().toStdString(), m_session->ports().runLoop.wallNow());
        if (const auto* error = std::get_if<SettingTextError>(&parsed)) {
            return sendError(m, c, kInvalidArgs, q(escapeText(error->why, kEchoedChars)));
        }
        KeyValueStore& settings = m_session->settings();
        if (const std::string why = settings.unavailableReason(); !why.empty()) {
            return sendError(m, c, kErrorFailed, q("the settings cannot be changed: " + escapeText(why, kEchoedChars)));
        }
        m_log.log("bus: SetSetting " + key);
        storeSetting(settings, key, std::get<StoredValue>(parsed));
        m_session->applySetting(key);
        c.send(m.createReply());
        return true;
    }
    if (member == QLatin1String("Forget")) {
        if (!takes("")) return true;
        m_session->forgetBand();
        c.send(m.createReply());
        return true;
    }
    if (member == QLatin1String("Sync")) {
        if (!takes("")) return true;
        m.setDelayedReply(true);
        const QDBusMessage call = m;
        const auto outcome = m_session->sync([this, alive, call, c](bool ok, const std::string& why) {
            if (alive.lock()) replyLater(call, c, ok, q(why));
        });
        if (outcome == Session::Outcome::NotConnected) {
            return sendError(m, c, kErrorNotConnected, QStringLiteral("no band is connected"));
        }
        return true;
    }
    return sendError(m, c, kUnknownMethod, QStringLiteral("no method '%1' in %2").arg(member, m.interface()));
}

bool CompanionBus::handleProperties(const QDBusMessage& m, const QDBusConnection& c) {
    const QString member = m.member();
    const QList<QVariant> args = m.arguments();
    const QVariantMap all = status();
    if (member == QLatin1String("GetAll") && m.signature() == QLatin1String("s")) {
        if (args.at(0).toString() != QLatin1String(kCompanionInterface)) {
            c.send(m.createReply(QVariantMap()));
        } else {
            c.send(m.createReply(all));
        }
        return true;
    }
    if (member == QLatin1String("Get") && m.signature() == QLatin1String("ss")) {
        const QString name = args.at(1).toString();
        if (args.at(0).toString() != QLatin1String(kCompanionInterface) || !all.contains(name)) {
            return sendError(m, c, kUnknownProperty,
                             QStringLiteral("no property %1").arg(q(quoteText(name.toStdString()))));
        }
        c.send(m.createReply(QVariant::fromValue(QDBusVariant(all.value(name)))));
        return true;
    }
    if (member == QLatin1String("Set")) {
        return sendError(m, c, "org.freedesktop.DBus.Error.PropertyReadOnly",
                         QStringLiteral("every property is read-only"));
    }
    return sendError(m, c, kInvalidArgs,
                     QStringLiteral("%1(%2) is not a properties call here").arg(member, m.signature()));
}

}  // namespace vantro::qt
