// SPDX-License-Identifier: MIT
// A BlueZ wristband's signal strength: the link's from the kernel, or bluetoothd's while it is fresh.
#include "bluez/bluez_peripheral.h"

#include "bluez/bluez_central.h"
#include "bluez/bluez_dbus.h"
#include "platform/strprintf.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLowEnergyDescriptor>
#include <QMetaObject>

#include <algorithm>

namespace vantro::bluez {

void BluezPeripheral::advertised(const QBluetoothDeviceInfo& info) {
    m_info = info;
    if (info.rssi() != 0) {
        // bluetoothd lists the reading it still holds whenever a scan starts: that one was heard before.
        // Every advertisement heard since comes as a change of RSSI (devicePropertiesChanged).
        const bool fresh = !m_heardRssi;
        m_heardRssi = info.rssi();
        if (fresh) heard();
    }
}

std::optional<double> BluezPeripheral::heardAt() const {
    return m_heardAt;
}

void BluezPeripheral::devicePropertiesChanged(const QString& interface, const QVariantMap& changed,
                                              const QStringList& invalidated) {
    if (interface != kDeviceInterface) return;
    if (changed.contains(QStringLiteral("RSSI"))) {
        m_heardRssi = changed.value(QStringLiteral("RSSI")).toInt();
        heard();
    }
    if (invalidated.contains(QStringLiteral("RSSI"))) m_heardRssi.reset();
}

// ---- signal strength

void BluezPeripheral::readRSSI() {
    if (!m_connected) return;  // like the platform, only a connected peripheral answers
    auto central = m_central.lock();
    if (!central) return;
    if (!central->signalFromAdvertisements()) {
        const auto r = central->readLinkRssi(m_address, addressType());
        if (r.kind != ConnectionRssiReader::Result::Kind::Refused) {
            // A read without a value is told too, so the screen stops showing the last one as current.
            post([rssi = r.rssi](BluezPeripheral& self) {
                self.m_rssi = rssi ? std::optional<double>(*rssi) : std::nullopt;
                if (self.m_delegate) {
                    self.m_delegate->peripheralDidUpdateRSSI(
                        self, rssi ? BleErrorOpt{} : BleErrorOpt{BleError{"No current signal strength."}});
                }
            });
            return;
        }
    }
    readAdvertisedRssi();
}

LeAddressType BluezPeripheral::addressType() {
    if (!m_addressType) {
        QDBusMessage get =
            QDBusMessage::createMethodCall(kBluezService, devicePath(), kPropertiesInterface, QStringLiteral("Get"));
        get << kDeviceInterface << QStringLiteral("AddressType");
        const QDBusMessage reply = QDBusConnection::systemBus().call(get, QDBus::Block, 1000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return LeAddressType::Public;
        const QString type = reply.arguments()[0].value<QDBusVariant>().variant().toString();
        m_addressType = type == QLatin1String("random") ? LeAddressType::Random : LeAddressType::Public;
    }
    return *m_addressType;
}

void BluezPeripheral::readAdvertisedRssi() {
    // bluetoothd announces every strength it hears (PropertiesChanged): asking it again costs a bus call
    // and says nothing new.
    const bool fresh = m_heardRssi && m_loop.now() - m_heardAt <= kRssiFreshSeconds;
    if (!fresh) {
        // Nothing current to tell: the screen shows no value rather than an old or made-up one.
        if (!m_staleLogged) {
            m_log.log(strprintf("BlueZ holds no current signal strength of %s", m_identifier.c_str()));
            m_staleLogged = true;
        }
        post([](BluezPeripheral& self) {
            self.m_rssi.reset();
            if (self.m_delegate)
                self.m_delegate->peripheralDidUpdateRSSI(self, BleError{"No current signal strength."});
        });
        return;
    }
    m_staleLogged = false;
    post([value = *m_heardRssi](BluezPeripheral& self) {
        self.m_rssi = value;
        if (self.m_delegate) self.m_delegate->peripheralDidUpdateRSSI(self, {});
    });
}

}  // namespace vantro::bluez
