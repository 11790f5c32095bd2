// SPDX-License-Identifier: MIT
// The settings sync: every stored setting and the clock sent to the band, then its data requested.
#include "settings/settings_sync.h"

#include "app/vantro_app_delegate.h"
#include "settings/setting_commands.h"

namespace vantro {

bool SettingsSync::SyncData() {
    // Another program may have changed the settings; and settings that could not be read are not the
    // user's, so none of them is sent in their place.
    m_app.settings().refresh();
    if (const std::string why = m_app.settings().unavailableReason(); !why.empty()) {
        m_app.log().log("SyncData: not sent, the settings cannot be used: " + why);
        m_app.syncProgress().refused("SyncSettingsUnusable");
        return false;
    }
    // Without the command characteristic every write would vanish and "Syncing" would stay for good.
    if (!m_app.commandCharacteristic()) {
        m_app.log().warning("SyncData: not sent, the band offers no command characteristic");
        m_app.syncProgress().refused("SyncNoCommands");
        return false;
    }
    m_sync_status = 1;
    // Every send stands alone: a refused one does not stop the rest.
    for (const Command& c : settingsBatch(m_app.settings(), m_app.runLoop().wallNow())) m_app.SendData(c);
    m_app.syncProgress().begin();
    m_sync_status = 0;
    return true;
}

bool SettingsSync::applySetting(std::string_view key) {
    // The same checked values as the batch: none from settings that cannot be used.
    m_app.settings().refresh();
    if (!m_app.settings().unavailableReason().empty()) return false;
    const auto command = commandForSetting(m_app.settings(), key, m_app.runLoop().wallNow());
    if (!command || !m_app.isConnected() || !m_app.commandCharacteristic()) return false;
    m_app.SendData(*command);
    return true;
}

}  // namespace vantro
