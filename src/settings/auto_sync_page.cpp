// SPDX-License-Identifier: MIT
// The "Sync automatically" page: how often the band is synced without a tap.
#include "settings/auto_sync_page.h"

#include "app/vantro_app_delegate.h"
#include "platform/setting_keys.h"
#include "settings/auto_sync.h"

#include <algorithm>

namespace vantro {

const std::vector<int>& AutoSyncPage::intervals() {
    static const std::vector<int> hours{0, 1, 3, 6, 12};
    return hours;
}

std::string AutoSyncPage::title() const {
    return m_app.localized("AutoSync");
}

std::vector<std::string> AutoSyncPage::choices() const {
    std::vector<std::string> texts;
    for (int h : intervals()) {
        std::string text = m_app.localized(h == 0 ? "AutoSyncOff" : "AutoSyncEvery");
        if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, std::to_string(h));
        texts.push_back(std::move(text));
    }
    return texts;
}

int AutoSyncPage::selected() const {
    const auto& all = intervals();
    const auto it = std::find(all.begin(), all.end(), static_cast<int>(m_autoSync.hours()));
    return it == all.end() ? 0 : static_cast<int>(it - all.begin());
}

void AutoSyncPage::select(int index) {
    if (index < 0 || index >= static_cast<int>(intervals().size())) return;
    m_app.settings().setInteger(kAutoSyncHours, intervals()[static_cast<std::size_t>(index)]);
    m_autoSync.settingChanged();
}

std::string AutoSyncPage::summary() const {
    return choices()[static_cast<std::size_t>(selected())];
}

std::string AutoSyncPage::hint() const {
    return m_app.localized("AutoSyncHint");
}

std::string AutoSyncPage::lastSync() const {
    return m_app.syncProgress().lastSyncText(m_app.runLoop().wallNow());
}

}  // namespace vantro
