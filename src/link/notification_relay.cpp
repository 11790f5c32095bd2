// SPDX-License-Identifier: MIT
// Relays other applications' desktop notifications to the band as a received message.
#include "link/notification_relay.h"

#include "app/vantro_app_delegate.h"
#include "protocol/codes.h"
#include "protocol/command_bytes.h"
#include "platform/setting_keys.h"

#include <algorithm>

namespace vantro {
namespace {

std::string joinAppList(const std::vector<std::string>& ids) {
    std::string text;
    for (const auto& id : ids) text += (text.empty() ? "" : ";") + id;
    return text;
}

bool contains(const std::vector<std::string>& ids, std::string_view id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// A name fit to be listed and stored: valid UTF-8, not too long, no control characters; the list
// separator becomes a comma so the stored list stays whole.
std::optional<std::string> usableName(std::string_view text) {
    if (text.size() > NotificationRelay::kMaxIdBytes || !isValidUtf8(text)) return std::nullopt;
    std::string name;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        name += c == ';' ? ',' : c;
    }
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return std::string{};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool messagesHeldByDoNotDisturb(const VantroAppDelegate& app) {
    const Notifier* notifier = app.ports().notifier;
    return notifier && notifier->doNotDisturb();
}

std::vector<std::string> splitAppList(std::string_view text) {
    std::vector<std::string> ids;
    while (!text.empty()) {
        const auto semi = text.find(';');
        if (auto part = text.substr(0, semi); !part.empty()) ids.emplace_back(part);
        text = semi == std::string_view::npos ? std::string_view{} : text.substr(semi + 1);
    }
    return ids;
}

NotificationRelay::NotificationRelay(VantroAppDelegate& app, MessageBuzzLimit& messages,
                                     std::vector<std::string> ownIds)
    : m_app(app), m_messages(messages), m_ownIds(std::move(ownIds)) {}

std::string NotificationRelay::appId(const DesktopNotification& n) {
    if (auto e = usableName(n.desktopEntry); e && !e->empty()) return *e;
    return usableName(n.appName).value_or("");
}

NotificationRelay::Mode NotificationRelay::mode() const {
    const auto text = m_app.settings().stringForKey(kRelayNotifications);
    if (text == "off") return Mode::Off;
    if (text == "all") return Mode::All;
    return Mode::Chosen;
}

std::vector<NotificationRelay::App> NotificationRelay::apps() const {
    const KeyValueStore& s = m_app.settings();
    const auto chosen = splitAppList(s.stringForKey(kRelayAppsChosen).value_or(""));
    std::vector<App> list;
    for (auto& id : splitAppList(s.stringForKey(kRelayAppsSeen).value_or(""))) {
        const bool on = contains(chosen, id);
        list.push_back({std::move(id), on});
    }
    return list;
}

void NotificationRelay::setChosen(std::string_view id, bool on) {
    KeyValueStore& s = m_app.settings();
    auto chosen = splitAppList(s.stringForKey(kRelayAppsChosen).value_or(""));
    const bool was = contains(chosen, id);
    if (on == was) return;
    if (on) {
        chosen.emplace_back(id);
    } else {
        chosen.erase(std::remove(chosen.begin(), chosen.end(), id), chosen.end());
    }
    s.setString(kRelayAppsChosen, joinAppList(chosen));
}

void NotificationRelay::setMonitorProblem(std::string why, bool logged) {
    if (why.empty() || why == m_monitorProblem) return;
    m_monitorProblem = std::move(why);
    if (!logged) m_app.log().warning("desktop notifications are not relayed: " + m_monitorProblem);
}

bool NotificationRelay::isOwn(const DesktopNotification& n, const std::string& id) const {
    return n.fromThisProcess || contains(m_ownIds, id) || contains(m_ownIds, n.appName);
}

void NotificationRelay::remember(const std::string& id) {
    KeyValueStore& s = m_app.settings();
    auto seen = splitAppList(s.stringForKey(kRelayAppsSeen).value_or(""));
    if (contains(seen, id) || seen.size() >= kMaxApps) return;
    seen.push_back(id);
    s.setString(kRelayAppsSeen, joinAppList(seen));
}

bool NotificationRelay::notify(const DesktopNotification& n) {
    // The choice may have been changed with vantro-cli since the last notification.
    m_app.settings().refresh();
    const std::string id = appId(n);
    if (isOwn(n, id)) return false;
    if (!id.empty()) remember(id);
    // Only the app's name is logged, and only as a routine line: nothing of what it said.
    DebugLog& log = m_app.log();
    if (n.transient || n.urgency == 0) {
        log.log("notification of " + id + " not relayed: transient or low urgency");
        return false;
    }
    const Mode m = mode();
    if (m == Mode::Off) return false;
    if (m == Mode::Chosen) {
        if (id.empty() || !contains(splitAppList(m_app.settings().stringForKey(kRelayAppsChosen).value_or("")), id)) {
            return false;
        }
    }
    if (messagesHeldByDoNotDisturb(m_app)) {
        log.log("notification of " + id + " not relayed: do not disturb");
        return false;
    }
    if (!m_app.isConnected() || !m_app.commandCharacteristic()) {
        log.log("notification of " + id + " not relayed: no band connected");
        return false;
    }
    if (!m_messages.take(m_app.runLoop().now())) {
        log.log("notification of " + id + " not relayed: the band buzzed for a message less than 10 s ago");
        return false;
    }
    m_app.SendData(phoneEventCommand(CMD_TYPE_MSGIN));
    return true;
}

}  // namespace vantro
