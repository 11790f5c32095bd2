// SPDX-License-Identifier: MIT
// Watches bluetoothd on the system bus for an adapter, on Qt D-Bus alone.
#include "bluez/adapter_watch.h"

#include "bluez/bluez_dbus.h"

#include <QDBusArgument>
#include <QDBusConnection>

namespace vantro::bluez {

AdapterWatch::AdapterWatch(RunLoop& loop, std::function<void(Seen)> changed)
    : m_loop(loop), m_changed(std::move(changed)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    m_watcher = std::make_unique<QDBusServiceWatcher>(kBluezService, bus, QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { look(); });
    bus.connect(kBluezService, QStringLiteral("/"), kObjectManagerInterface, QStringLiteral("InterfacesAdded"), this,
                SLOT(objectsAdded(QDBusMessage)));
    look();
}

AdapterWatch::~AdapterWatch() {
    QDBusConnection::systemBus().disconnect(kBluezService, QStringLiteral("/"), kObjectManagerInterface,
                                            QStringLiteral("InterfacesAdded"), this, SLOT(objectsAdded(QDBusMessage)));
}

void AdapterWatch::objectsAdded(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() >= 2 && qdbus_cast<InterfaceMap>(args[1]).contains(kAdapterInterface)) look();
}

void AdapterWatch::look() {
    const auto objects = managedObjects(QDBusConnection::systemBus(), kBluezService, QStringLiteral("/"), 1500);
    m_seen = !objects ? Seen::NotRunning : firstAdapterPath(*objects).isEmpty() ? Seen::NoAdapter : Seen::Adapter;
    std::weak_ptr<int> alive = m_alive;
    m_loop.post([this, alive, seen = m_seen] {
        if (alive.lock() && m_changed) m_changed(seen);
    });
}

}  // namespace vantro::bluez
