// SPDX-License-Identifier: MIT
// The "Relay notifications" page: off, all apps or the chosen ones, and a switch for every app seen.
#include "link/relay_page.h"

#include "app/vantro_app_delegate.h"
#include "platform/setting_keys.h"

namespace vantro {
namespace {

constexpr const char* kStored[] = {"off", "all", "chosen"};
constexpr const char* kTexts[] = {"RelayOff", "RelayAll", "RelayChosen"};

}  // namespace

std::string RelayPage::title() const {
    return m_app.localized("RelayNotifications");
}

std::vector<std::string> RelayPage::choices() const {
    std::vector<std::string> texts;
    for (const char* key : kTexts) texts.push_back(m_app.localized(key));
    return texts;
}

int RelayPage::selected() const {
    return static_cast<int>(m_relay.mode());
}

void RelayPage::select(int index) {
    if (index < 0 || index > 2) return;
    m_app.settings().setString(kRelayNotifications, kStored[index]);
}

std::string RelayPage::summary() const {
    if (!m_relay.monitorProblem().empty()) return m_app.localized("RelayNotAvailable");
    return choices()[static_cast<std::size_t>(selected())];
}

std::string RelayPage::problem() const {
    if (m_relay.monitorProblem().empty()) return {};
    std::string text = m_app.localized("RelayUnavailable");
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, m_relay.monitorProblem());
    return text;
}

std::string RelayPage::appsHeader() const {
    return m_app.localized("RelayAppsHeader");
}

std::string RelayPage::chosenHint() const {
    return m_app.localized("RelayChosenHint");
}

std::string RelayPage::messageAlertNote() const {
    // Names the switch by its caption on the settings screen, in the same words.
    std::string text = m_app.localized("RelayMessageAlertNote");
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, m_app.localized("Message"));
    return text;
}

std::string RelayPage::doNotDisturbNote() const {
    return messagesHeldByDoNotDisturb(m_app) ? m_app.localized("RelayDoNotDisturb") : std::string();
}

std::string RelayPage::noAppsText() const {
    return m_app.localized("RelayNoApps");
}

}  // namespace vantro
