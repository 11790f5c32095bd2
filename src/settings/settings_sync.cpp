// SPDX-License-Identifier: MIT
// The settings sync: every stored setting and the clock sent to the band, then its data requested.
#include "settings/settings_sync.h"

#include "app/vantro_app_delegate.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"

namespace vantro {
void SettingsSync::SyncData() {
    // Another program may have changed the settings; and settings that could not be read are not the
    // user's, so none of them is sent in their place.
    m_app.settings().refresh();
    if (const std::string why = m_app.settings().unavailableReason(); !why.empty()) {
        m_app.log().log("SyncData: not sent, the settings cannot be used: " + why);
        return;
    }
    m_sync_status = 1;
    m_app.setStrTransmitStatus(m_app.localized("Syncing"));

    const KeyValueStore& store = m_app.settings();
    const Instant now = m_app.runLoop().wallNow();
    auto hm = [&](std::string_view key) { return hourMinuteOf(store.dateForKey(key), now); };
    // Any nonzero low byte counts as on, as the band has always been told.
    const bool alarmOn = (store.integerForKey(kAlertSwitch) & 0xFF) != 0;

    // Every send stands alone: a refused one does not stop the rest.
    m_app.SendData(requestCommand(CMD_TYPE_DATE));
    m_app.SendData(requestCommand(CMD_TYPE_TIME));
    m_app.SendData(settingByteCommand(CMD_TYPE_BODYHEIGHT, store.integerForKey(kBodyHeight)));
    m_app.SendData(settingByteCommand(CMD_TYPE_BODYWEIGHT, store.integerForKey(kBodyWeight)));
    m_app.SendData(settingByteCommand(CMD_TYPE_DISPLAY_TIME, store.integerForKey(kDisplayTime)));
    m_app.SendData(alarmCommand(alarmOn ? std::optional<TimeOfDay>(hm(kAlertTime)) : std::nullopt));
    m_app.SendData(settingByteCommand(CMD_TYPE_FINDME, store.integerForKey(kFindMe)));
    m_app.SendData(requestCommand(CMD_TYPE_GET_VERSION));
    m_app.SendData(greetingCommand(CMD_TYPE_WISH, store.integerForKey(kWish)));
    m_app.SendData(greetingCommand(CMD_TYPE_PRESENT, store.integerForKey(kPresent)));
    m_app.SendData(reminderCommand(CMD_TYPE_PROMPT_SIT, store.integerForKey(kLongTimeSitInteval), hm(kLongTimeSitSTime),
                                   hm(kLongTimeSitETime)));
    m_app.SendData(reminderCommand(CMD_TYPE_PROMPT_MEAD, store.integerForKey(kMedicineInteval), hm(kMedicineSTime),
                                   hm(kMedicineETime)));
    m_app.SendData(requestCommand(CMD_TYPE_GET_SLEEP));
    m_app.SendData(requestCommand(CMD_TYPE_GETDAY_DATA));

    m_sync_status = 0;
}

}  // namespace vantro
