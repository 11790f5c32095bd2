// SPDX-License-Identifier: MIT
// The alarm as an event of the phone's feedback daemon (feedbackd), whose profile picks sound, vibration or light.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace vantro::gui {

/// Talks to org.sigxcpu.Feedback on the session bus: `start` triggers the alarm event looped until
/// `end`; the daemon ends it by itself only when the profile gives the event nothing to do.
class FeedbackdAlarm : public QObject {
    Q_OBJECT
public:
    /// An event of the freedesktop event naming that feedback themes give to alarms.
    static constexpr const char* kEvent = "alarm-clock-elapsed";
    /// The desktop file's name: the daemon may keep a profile per application under it.
    explicit FeedbackdAlarm(QString appId = QStringLiteral("org.vantro.Vantro"), QObject* parent = nullptr);
    ~FeedbackdAlarm() override;

    /// Whether feedbackd runs on the session bus now (it is not started for the alarm: where the phone
    /// does not run it, the app's own sound is the alarm).
    bool available() const;
    /// Triggers the event; false when feedbackd is not there. `failed` runs when the daemon turns it
    /// down, so that the caller can sound the alarm its own way instead.
    bool start(std::function<void(const QString& why)> failed);
    /// Ends the event (at once, or as soon as the daemon has said its id).
    void end();
    /// Triggered, and neither ended by us nor by the daemon.
    bool running() const { return m_pending || m_id != 0; }
    /// The daemon's id of the running event; 0 when none is known.
    uint eventId() const { return m_id; }

signals:
    /// The daemon says the event has ended (after `end`, or on its own).
    void ended(uint id);

private slots:
    void onFeedbackEnded(uint id, uint reason);

private:
    void sendEnd(uint id);

    QString m_appId;
    uint m_id = 0;
    bool m_pending = false;     // TriggerFeedback not answered yet
    bool m_endOnReply = false;  // `end` came before the id
    bool m_watching = false;    // FeedbackEnded connected
};

}  // namespace vantro::gui
