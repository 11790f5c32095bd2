// SPDX-License-Identifier: MIT
// Watches bluetoothd on the system bus for an adapter, on Qt D-Bus alone: while the simulated band stands
// in, the app loads no Bluetooth libraries.
#pragma once

#include "platform/run_loop.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>

#include <functional>
#include <memory>

namespace vantro::bluez {

class AdapterWatch : public QObject {
    Q_OBJECT
public:
    enum class Seen { NotRunning, NoAdapter, Adapter };

    /// Looks at once, then whenever bluetoothd starts, stops or adds an object; `changed` hears each
    /// look on a later turn of `loop`.
    AdapterWatch(RunLoop& loop, std::function<void(Seen)> changed);
    ~AdapterWatch() override;

    Seen seen() const { return m_seen; }

private slots:
    void objectsAdded(const QDBusMessage& message);

private:
    void look();

    RunLoop& m_loop;
    std::function<void(Seen)> m_changed;
    Seen m_seen = Seen::NotRunning;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace vantro::bluez
