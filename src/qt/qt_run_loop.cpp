// SPDX-License-Identifier: MIT
// The core's run loop on Qt's event loop: queued calls, precise timers, monotonic clock.
#include "qt/qt_run_loop.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <cmath>

namespace vantro::qt {

QtRunLoop::QtRunLoop(QObject* parent) : QObject(parent) {
    m_clock.start();
}

QtRunLoop::~QtRunLoop() {
    // Posted calls die with this object: Qt drops events queued for a destroyed receiver.
    for (auto& [id, timer] : m_timers) delete timer;
}

TimerId QtRunLoop::post(std::function<void()> fn) {
    const TimerId id = m_nextId++;
    {
        std::lock_guard lock(m_postMutex);
        m_posted.insert(id);
    }
    QMetaObject::invokeMethod(
        this,
        [this, id, fn = std::move(fn)] {
            {
                std::lock_guard lock(m_postMutex);
                if (m_posted.erase(id) == 0) return;  // cancelled
            }
            fn();
        },
        Qt::QueuedConnection);
    return id;
}

TimerId QtRunLoop::after(double seconds, std::function<void()> fn) {
    return startTimer(seconds, false, std::move(fn));
}

TimerId QtRunLoop::every(double seconds, std::function<void()> fn) {
    return startTimer(seconds, true, std::move(fn));
}

TimerId QtRunLoop::startTimer(double seconds, bool repeating, std::function<void()> fn) {
    const TimerId id = m_nextId++;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    // Negative or NaN delays mean "as soon as possible"; a repeating timer needs at least 1 ms.
    double ms = std::isfinite(seconds) ? std::max(0.0, seconds * 1000.0) : 0.0;
    if (repeating) ms = std::max(ms, 1.0);
    timer->setInterval(static_cast<int>(std::min(ms, 2.0e9)));
    connect(timer, &QTimer::timeout, this, [this, id, repeating, fn = std::move(fn)] {
        auto it = m_timers.find(id);
        if (it == m_timers.end()) return;
        if (!repeating) {
            it->second->deleteLater();
            m_timers.erase(it);
        }
        // Copy: the callback may cancel its own timer and so destroy this lambda's owner later.
        auto call = fn;
        call();
    });
    m_timers.emplace(id, timer);
    timer->start();
    return id;
}

void QtRunLoop::cancel(TimerId id) {
    if (auto it = m_timers.find(id); it != m_timers.end()) {
        it->second->stop();
        it->second->deleteLater();
        m_timers.erase(it);
        return;
    }
    std::lock_guard lock(m_postMutex);
    m_posted.erase(id);
}

bool QtRunLoop::runUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) return false;
        QEventLoop wait;
        QTimer::singleShot(10, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return true;
}

double QtRunLoop::now() const {
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
}

}  // namespace vantro::qt
