// SPDX-License-Identifier: MIT
// The names of the stored settings, one home for every layer: a key is written here and nowhere else.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantro {

// Key spellings are part of the stored format ("Inteval" included).
inline constexpr std::string_view kFlags = "flags";
inline constexpr std::string_view kBodyHeight = "bodyHeight";
inline constexpr std::string_view kBodyWeight = "bodyWeight";
inline constexpr std::string_view kDisplayTime = "displaytime";
inline constexpr std::string_view kAlertTime = "alerttime";
inline constexpr std::string_view kAlertSwitch = "alertswitch";
inline constexpr std::string_view kImaSwitch = "imaswitch";
inline constexpr std::string_view kImaPhone = "imaphone";
inline constexpr std::string_view kFindMe = "findme";
inline constexpr std::string_view kTelephoneAlert = "telephonealert";
inline constexpr std::string_view kMsgAlert = "msgalert";
inline constexpr std::string_view kWish = "Wish";
inline constexpr std::string_view kPresent = "Present";
inline constexpr std::string_view kLongTimeSitInteval = "LongTimeSitInteval";
inline constexpr std::string_view kMedicineInteval = "MedicineInteval";
inline constexpr std::string_view kLongTimeSitSTime = "LongTimeSitSTime";
inline constexpr std::string_view kLongTimeSitETime = "LongTimeSitETime";
inline constexpr std::string_view kMedicineSTime = "MedicineSTime";
inline constexpr std::string_view kMedicineETime = "MedicineETime";
/// Our own: the folder of the last backup file chosen in the app (never sent to the band).
inline constexpr std::string_view kLastBackupFolder = "lastBackupFolder";

// Settings of our own: they stay on this computer, the settings sync never sends them.
/// Hours between automatic syncs while the band is connected, 0 for never; absent means 3.
inline constexpr std::string_view kAutoSyncHours = "autoSyncHours";
inline constexpr std::int64_t kAutoSyncHoursDefault = 3;
/// "off", "all" or "chosen" (the default): which desktop notifications reach the band.
inline constexpr std::string_view kRelayNotifications = "relayNotifications";
/// Apps whose notifications have been seen, and those of them chosen for the band; ';'-separated
/// desktop entries or app names.
inline constexpr std::string_view kRelayAppsSeen = "relayAppsSeen";
inline constexpr std::string_view kRelayAppsChosen = "relayAppsChosen";
/// When the last sync's final day was stored.
inline constexpr std::string_view kLastSyncTime = "lastSyncTime";

/// "flags" holds this once the defaults have been written.
inline constexpr std::int64_t kSettingsInitialized = 12345;
/// "findme" codes: every reader tests for kFindMeOn, so anything else (0 before initialisation) is off.
inline constexpr std::int64_t kFindMeOn = 1;
inline constexpr std::int64_t kFindMeOff = 2;
/// "telephonealert" and "msgalert" hold 1 for on, 0 for off.
inline constexpr std::int64_t kAlertOn = 1;
inline constexpr std::int64_t kAlertOff = 0;

// Settings of this computer alone: the sync never sends them and the band never sees them.
/// Closing the window keeps the companion running: 0 (never set) or 1 on, 2 off.
inline constexpr std::string_view kKeepRunning = "keepRunning";
/// The notice that the companion keeps running after its window closed was shown once.
inline constexpr std::string_view kBackgroundNoticeShown = "backgroundNoticeShown";
/// The companion starts when the user logs in.
inline constexpr std::string_view kStartAtLogin = "startAtLogin";
/// Identifier of the band the user last connected; the companion connects to it when it is seen.
inline constexpr std::string_view kChosenBand = "chosenBand";
/// The firmware version the band last reported, shown until it reports another.
inline constexpr std::string_view kBandVersion = "bandVersion";

}  // namespace vantro
