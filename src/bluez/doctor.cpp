// SPDX-License-Identifier: MIT
// What a real wristband and phone need from this machine, checked one piece at a time.
#include "bluez/doctor.h"

#include "bluez/bluez_dbus.h"
#include "platform/strprintf.h"

#include <QDBusConnectionInterface>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace vantro::bluez {
namespace {

const QString kModemManager = QStringLiteral("org.freedesktop.ModemManager1");
const QString kModemInterface = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
constexpr int kTimeoutMs = 2000;

std::string s(const QString& text) {
    return text.toStdString();
}

/// A file the app reads and writes, or the directory it will be made in.
DoctorCheck fileCheck(const std::string& what, const std::string& dir, const std::string& name) {
    namespace fs = std::filesystem;
    const std::string path = (fs::path(dir) / name).string();
    std::error_code ec;
    if (fs::exists(path, ec)) {
        const bool readable = ::access(path.c_str(), R_OK) == 0;
        const bool writable = ::access(path.c_str(), W_OK) == 0 && ::access(dir.c_str(), W_OK) == 0;
        if (readable && writable) return {what, true, true, path + " (readable, writable)"};
        return {what, false, true,
                strprintf("%s is not %s: give your user read and write access to it and to %s", path.c_str(),
                          readable ? "writable" : "readable", dir.c_str())};
    }
    // Not made yet: the nearest directory that exists must let us make the rest.
    fs::path existing = fs::path(dir);
    while (!existing.empty() && !fs::exists(existing, ec)) existing = existing.parent_path();
    if (!existing.empty() && ::access(existing.c_str(), W_OK | X_OK) == 0) {
        return {what, true, true, path + " (not made yet; it will be on first use)"};
    }
    return {what, false, true,
            strprintf("%s cannot be made: %s is not writable; choose another directory with --data-dir", path.c_str(),
                      existing.empty() ? dir.c_str() : existing.c_str())};
}

}  // namespace

std::vector<DoctorCheck> runDoctor(const DoctorOptions& options) {
    std::vector<DoctorCheck> out;
    QDBusConnection system = QDBusConnection::systemBus();

    // bluetoothd and its adapter.
    const auto objects = managedObjects(system, kBluezService, QStringLiteral("/"), kTimeoutMs);
    if (!system.isConnected()) {
        out.push_back({"bluetoothd", false, true, "no system bus: start dbus (systemctl start dbus)"});
    } else if (!objects) {
        out.push_back({"bluetoothd", false, true,
                       "not running on the system bus: install bluez and start it (sudo systemctl start bluetooth)"});
    } else {
        out.push_back({"bluetoothd", true, true, "running on the system bus"});
    }
    const QString adapterPath = objects ? firstAdapterPath(*objects) : QString();
    if (adapterPath.isEmpty()) {
        out.push_back({"adapter", false, true,
                       objects ? "none: plug in a Bluetooth adapter or unblock it (rfkill unblock bluetooth)"
                               : "unknown while bluetoothd is not running"});
    } else {
        const QVariantMap adapter = objects->value(QDBusObjectPath(adapterPath)).value(kAdapterInterface);
        const std::string name = strprintf("%s (%s)", s(adapterPath.section(QLatin1Char('/'), -1)).c_str(),
                                           s(adapter.value(QStringLiteral("Address")).toString()).c_str());
        if (adapter.value(QStringLiteral("Powered")).toBool()) {
            out.push_back({"adapter", true, true, name + ", powered on"});
        } else {
            out.push_back({"adapter", false, true, name + " is powered off: switch it on (bluetoothctl power on)"});
        }
    }

    // Whether the kernel answers a connection-information request from this process: with the capability
    // it says "not connected" for a link that does not exist, without it "permission denied".
    const std::string grant =
        "grant the capability: sudo setcap cap_net_admin+ep \"$(command -v vantro)\" (and vantro-cli for this check);"
        " without it the signal comes from advertisements only";
    const auto index = controllerIndexOfAdapterPath(s(adapterPath));
    if (!index) {
        out.push_back({"link signal strength", false, true, "cannot be checked without an adapter"});
    } else {
        ConnectionRssiReader reader(options.openKernel, 1000);
        const auto r = reader.read(*index, BdAddress{}, LeAddressType::Public);
        using Kind = ConnectionRssiReader::Result::Kind;
        if (r.kind == Kind::Refused) {
            out.push_back({"link signal strength", false, true, "not readable (" + r.detail + "): " + grant});
        } else if (r.kind == Kind::Failed && r.status == 0) {
            out.push_back({"link signal strength", false, true, "could not be checked: " + r.detail});
        } else {
            out.push_back({"link signal strength", true, true, "readable from the kernel (CAP_NET_ADMIN)"});
        }
    }

    // ModemManager and a modem, for relaying calls and messages; a laptop works without.
    const auto modems =
        managedObjects(system, kModemManager, QStringLiteral("/org/freedesktop/ModemManager1"), kTimeoutMs);
    if (!modems) {
        out.push_back({"modem", false, false,
                       "ModemManager is not running: install and start it (sudo systemctl start ModemManager) to "
                       "relay calls and messages"});
    } else {
        const auto it = std::find_if(modems->cbegin(), modems->cend(),
                                     [](const InterfaceMap& ifaces) { return ifaces.contains(kModemInterface); });
        if (it == modems->cend()) {
            out.push_back({"modem", false, false, "ModemManager sees no modem: calls and messages are not relayed"});
        } else {
            out.push_back({"modem", true, false, s(it.key().path()) + " (calls and messages are relayed)"});
        }
    }

    // The notification daemon shows the out-of-range alarm's notification.
    QDBusConnection session = QDBusConnection::sessionBus();
    const bool notifications = session.isConnected() && session.interface() &&
                               (session.interface()->isServiceRegistered(kNotifications).value() ||
                                session.interface()->activatableServiceNames().value().contains(kNotifications));
    out.push_back({"notifications", notifications, true,
                   notifications ? "a notification daemon is on the session bus"
                                 : "no notification daemon on the session bus: the alarm sounds but shows no "
                                   "notification; run the desktop's notification service (for example dunst)"});

    out.push_back(fileCheck("activity data", options.dataDir, "database.sqlite3"));
    out.push_back(fileCheck("settings", options.configDir, "settings.json"));
    return out;
}

bool readyForRealBand(const std::vector<DoctorCheck>& checks) {
    return std::all_of(checks.begin(), checks.end(), [](const DoctorCheck& c) { return c.ok || !c.required; });
}

}  // namespace vantro::bluez
