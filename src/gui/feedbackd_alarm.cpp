// SPDX-License-Identifier: MIT
// The alarm as an event of the phone's feedback daemon (feedbackd), whose profile picks sound, vibration or light.
#include "gui/feedbackd_alarm.h"

#include "qt/qt_log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace vantro::gui {
namespace {
const QString kService = QStringLiteral("org.sigxcpu.Feedback");
const QString kPath = QStringLiteral("/org/sigxcpu/Feedback");
const QString kInterface = QStringLiteral("org.sigxcpu.Feedback");
// feedbackd's timeout: 0 loops the event's feedbacks until it is ended, -1 runs each of them once.
constexpr int kLoopUntilEnded = 0;
}  // namespace

FeedbackdAlarm::FeedbackdAlarm(QString appId, QObject* parent) : QObject(parent), m_appId(std::move(appId)) {}

FeedbackdAlarm::~FeedbackdAlarm() {
    // A phone must not go on ringing for an app that has gone (the daemon also ends it when we leave the bus).
    if (m_id != 0) sendEnd(m_id);
}

bool FeedbackdAlarm::available() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService);
}

bool FeedbackdAlarm::start(std::function<void(const QString& why)> failed) {
    if (!available()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!m_watching) {
        m_watching = bus.connect(kService, kPath, kInterface, QStringLiteral("FeedbackEnded"), this,
                                 SLOT(onFeedbackEnded(uint, uint)));
    }
    if (m_id != 0) sendEnd(m_id);  // one alarm at a time
    m_id = 0;
    m_pending = true;
    m_endOnReply = false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("TriggerFeedback"));
    call << m_appId << QString::fromLatin1(kEvent) << QVariantMap() << kLoopUntilEnded;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, failed = std::move(failed)] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        m_pending = false;
        if (reply.isError()) {
            qCWarning(qt::logCategory).noquote()
                << QStringLiteral("alarm: feedbackd refused the alarm event: %1").arg(reply.error().message());
            if (failed) failed(reply.error().message());
            return;
        }
        qCDebug(qt::logCategory).noquote() << QStringLiteral("alarm: feedbackd event %1").arg(reply.value());
        if (m_endOnReply) {
            m_endOnReply = false;
            sendEnd(reply.value());
            return;
        }
        m_id = reply.value();
    });
    return true;
}

void FeedbackdAlarm::end() {
    if (m_pending) {
        m_endOnReply = true;
        return;
    }
    if (m_id == 0) return;
    sendEnd(m_id);
    m_id = 0;
}

void FeedbackdAlarm::sendEnd(uint id) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("EndFeedback"));
    call << id;
    // An event the daemon has ended already is no failure.
    QDBusConnection::sessionBus().asyncCall(call);
}

void FeedbackdAlarm::onFeedbackEnded(uint id, uint /*reason*/) {
    if (id == m_id) m_id = 0;
    emit ended(id);
}

}  // namespace vantro::gui
