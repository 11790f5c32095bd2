// SPDX-License-Identifier: MIT
// The settings sync: every stored setting and the clock sent to the band, then its data requested.
#include "settings/settings_sync.h"

#include "app/vantro_app_delegate.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"

#include <algorithm>
#include <array>

namespace vantro {
namespace {

// One data byte keeps the low 8 bits of a stored integer (165 becomes A5).
std::uint8_t lowByte(std::int64_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

}  // namespace

void SettingsSync::SyncData() {
    // Another program may have changed the settings; and settings that could not be read are not the
    // user's, so none of them is sent in their place.
    m_app.settings().refresh();
    if (const std::string why = m_app.settings().unavailableReason(); !why.empty()) {
        m_app.log().log("SyncData: not sent, the settings cannot be used: " + why);
        return;
    }
    // Without the command characteristic every write would vanish and "Syncing" would stay for good.
    if (!m_app.commandCharacteristic()) {
        m_app.setStrTransmitStatus(m_app.localized("SyncNoCommands"));
        m_app.log().warning("SyncData: not sent, the band offers no command characteristic");
        return;
    }
    m_sync_status = 1;
    m_app.setStrTransmitStatus(m_app.localized("Syncing"));

    const KeyValueStore& store = m_app.settings();
    const Instant now = m_app.runLoop().wallNow();
    auto hm = [&](std::string_view key) { return hourMinuteOf(store.dateForKey(key), now); };

    std::array<std::uint8_t, 5> b{};
    std::array<std::uint8_t, 6> s{};

    // Every send stands alone: a refused one does not stop the rest.
    m_app.SendData(CMD_TYPE_DATE, b.data(), 1);
    m_app.SendData(CMD_TYPE_TIME, b.data(), 1);
    b[0] = lowByte(store.integerForKey(kBodyHeight));
    m_app.SendData(CMD_TYPE_BODYHEIGHT, b.data(), 1);
    b[0] = lowByte(store.integerForKey(kBodyWeight));
    m_app.SendData(CMD_TYPE_BODYWEIGHT, b.data(), 1);
    b[0] = lowByte(store.integerForKey(kDisplayTime));
    m_app.SendData(CMD_TYPE_DISPLAY_TIME, b.data(), 1);

    if (lowByte(store.integerForKey(kAlertSwitch)) != 0) {
        const TimeOfDay alarm = hm(kAlertTime);
        b[0] = static_cast<std::uint8_t>(alarm.hour);
        b[1] = static_cast<std::uint8_t>(alarm.minute);
    } else {
        b[0] = 0xFF;
        b[1] = 0xFF;
    }
    m_app.SendData(CMD_TYPE_ALERT_TIME, b.data(), 1);

    b[0] = lowByte(store.integerForKey(kFindMe));
    m_app.SendData(CMD_TYPE_FINDME, b.data(), 1);
    b[0] = 0;
    m_app.SendData(CMD_TYPE_GET_VERSION, b.data(), 1);
    b[0] = CMD_TYPE_WISH;
    b[1] = lowByte(store.integerForKey(kWish));
    m_app.SendData(CMD_TYPE_WISH, b.data(), 2);
    b[0] = CMD_TYPE_PRESENT;
    b[1] = lowByte(store.integerForKey(kPresent));
    m_app.SendData(CMD_TYPE_PRESENT, b.data(), 2);

    auto reminder = [&](std::uint8_t code, std::string_view interval, std::int64_t maxInterval, std::string_view start,
                        std::string_view end) {
        const TimeOfDay from = hm(start), to = hm(end);
        s = {code,
             static_cast<std::uint8_t>(std::clamp<std::int64_t>(store.integerForKey(interval), 0, maxInterval)),
             static_cast<std::uint8_t>(from.hour),
             static_cast<std::uint8_t>(from.minute),
             static_cast<std::uint8_t>(to.hour),
             static_cast<std::uint8_t>(to.minute)};
        m_app.SendData(code, s.data(), 6);
    };
    reminder(CMD_TYPE_PROMPT_SIT, kLongTimeSitInteval, 5, kLongTimeSitSTime, kLongTimeSitETime);
    // The editor stores 0 to 12; 13 is still let through as the band has always accepted it.
    reminder(CMD_TYPE_PROMPT_MEAD, kMedicineInteval, 13, kMedicineSTime, kMedicineETime);

    b[0] = 0;
    m_app.SendData(CMD_TYPE_GET_SLEEP, b.data(), 1);
    m_app.SendData(CMD_TYPE_GETDAY_DATA, b.data(), 1);

    m_app.syncProgress().begin();
    m_sync_status = 0;
}

}  // namespace vantro
