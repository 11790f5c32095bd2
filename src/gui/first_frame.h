// SPDX-License-Identifier: MIT
// Noticing a window's first frame: the start-up benchmark and --verbose measure up to it.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vantro::gui {

/// Calls `shown` once, on the event-loop turn after `window` first painted: its first frame has then
/// been handed to the display. Any widget of the window painting counts (a window covered by opaque
/// children gets no paint of its own). Header-only and Widgets-only, so a bare comparison window can use it.
inline void whenFirstFramePainted(QWidget* window, std::function<void()> shown) {
    class Watch : public QObject {
    public:
        Watch(QWidget* w, std::function<void()> f) : QObject(w), m_window(w), m_shown(std::move(f)) {
            QCoreApplication::instance()->installEventFilter(this);
        }
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() != QEvent::Paint || !m_shown || !watched->isWidgetType()) return false;
            if (static_cast<QWidget*>(watched)->window() != m_window) return false;
            QCoreApplication::instance()->removeEventFilter(this);
            // The whole window is painted and flushed before the next turn.
            QTimer::singleShot(0, this, [this] {
                auto shown = std::move(m_shown);
                m_shown = nullptr;
                shown();
                deleteLater();
            });
            return false;
        }

    private:
        QWidget* m_window;
        std::function<void()> m_shown;
    };
    new Watch(window, std::move(shown));
}

/// The environment variable that makes the app write kFirstFrameLine to standard output at its first frame;
/// set to kFirstFrameExit the app also ends there at once (for a profile of the start alone).
inline constexpr const char* kFirstFrameMarkVariable = "VANTRO_FIRST_FRAME_MARK";
inline constexpr const char* kFirstFrameLine = "first frame";
inline constexpr const char* kFirstFrameExit = "exit";

}  // namespace vantro::gui
