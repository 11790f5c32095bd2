// SPDX-License-Identifier: MIT
// What the mock desktop notification service (python-dbusmock's template) on the session bus was sent.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantList>

#include <vector>

namespace vantro::testing {

inline QVariant unwrapDBusVariant(const QVariant& v) {
    return v.canConvert<QDBusVariant>() ? v.value<QDBusVariant>().variant() : v;
}

/// The arguments of every call of `method` the mock service saw, in order; empty when it does not answer.
inline std::vector<QVariantList> mockCalls(const QString& method) {
    QDBusMessage dump = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetMethodCalls"));
    dump << method;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(dump);
    std::vector<QVariantList> out;
    if (reply.type() != QDBusMessage::ReplyMessage) return out;
    const QDBusArgument calls = reply.arguments().at(0).value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        qulonglong when = 0;
        QVariantList args;
        calls.beginStructure();
        calls >> when >> args;
        calls.endStructure();
        for (QVariant& arg : args) arg = unwrapDBusVariant(arg);
        out.push_back(args);
    }
    calls.endArray();
    return out;
}

/// The arguments of every Notify call, in order: app_name, replaces_id, app_icon, summary, body,
/// actions, hints (a QDBusArgument), timeout.
inline std::vector<QVariantList> notifyCalls() {
    return mockCalls(QStringLiteral("Notify"));
}

/// The ids of every CloseNotification call the mock service saw.
inline QList<uint> closedNotificationIds() {
    QList<uint> ids;
    for (const QVariantList& args : mockCalls(QStringLiteral("CloseNotification")))
        if (!args.isEmpty()) ids << args[0].toUInt();
    return ids;
}

/// The body of every notification sent.
inline QStringList notifiedBodies() {
    QStringList bodies;
    for (const QVariantList& args : notifyCalls())
        if (args.size() > 4) bodies << args[4].toString();
    return bodies;
}

}  // namespace vantro::testing
