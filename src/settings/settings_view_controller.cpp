// SPDX-License-Identifier: MIT
// The settings screen as a table model: rows with caption, detail, image and action; toggles, sync, reset.
#include "settings/settings_view_controller.h"

#include "app/vantro_app_delegate.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "protocol/command_bytes.h"
#include "settings/properties_view_controller.h"
#include "settings/settings_keys.h"
#include "store/sqlite_data.h"

namespace vantro {
namespace {

// The fixed layout in place of a layout resource: section header keys and row counts.
struct Section {
    const char* header;
    int rows;
};
constexpr Section kSections[] = {
    {"WirelessNetwork", 2}, {"WishEdit", 2}, {"PromptSettings", 5}, {"UserParam", 2}, {"ParamSettings", 4},
};
constexpr int kSectionCount = static_cast<int>(std::size(kSections));

bool validPath(IndexPath p) {
    return p.section >= 0 && p.section < kSectionCount && p.row >= 0 && p.row < kSections[p.section].rows;
}

std::string entryAt(const std::vector<std::string>& list, std::int64_t index) {
    // An index no editor stores shows nothing rather than a wrong entry.
    if (index < 0 || index >= static_cast<std::int64_t>(list.size())) return {};
    return list[static_cast<size_t>(index)];
}

}  // namespace

SettingsViewController::SettingsViewController(VantroAppDelegate& app, Companion& companion,
                                               std::function<void()> stopAlarmSound)
    : m_app(app), m_companion(companion), m_stopAlarmSound(std::move(stopAlarmSound)) {}

SettingsViewController::~SettingsViewController() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
}

void SettingsViewController::viewDidLoad() {
    PresentArray = presentList(m_app.localizer());
    WishArray = wishList(m_app.localizer());
    m_title = m_app.localized("Settings");
    if (!m_timer) m_timer = m_app.runLoop().every(1.0, [this] { updateData(); });
}

int SettingsViewController::numberOfSections() const {
    return kSectionCount;
}

int SettingsViewController::numberOfRowsInSection(int section) const {
    return section >= 0 && section < kSectionCount ? kSections[section].rows : 0;
}

std::string SettingsViewController::titleForHeaderInSection(int section) const {
    return section >= 0 && section < kSectionCount ? m_app.localized(kSections[section].header) : std::string();
}

std::vector<std::string> SettingsViewController::sectionIndexTitles() const {
    std::vector<std::string> titles;
    for (const auto& s : kSections) titles.push_back(m_app.localized(s.header));
    return titles;
}

double SettingsViewController::heightForRowAtIndexPath(IndexPath) const {
    return m_app.ports().idiom == DeviceIdiom::Phone ? 66.0 : 80.0;
}

std::string SettingsViewController::onOff(bool on) const {
    return m_app.localized(on ? "On" : "Off");
}

SettingsRow SettingsViewController::cellForRowAtIndexPath(IndexPath path) {
    SettingsRow r;
    if (!validPath(path)) return r;
    const KeyValueStore& store = m_app.settings();
    const Instant now = m_app.runLoop().wallNow();
    auto page = [&](const char* caption, std::string detail, const char* image, std::string_view key) {
        r = {m_app.localized(caption), std::move(detail), image, true, SettingsAction::OpenPage, std::string(key)};
    };
    auto plain = [&](const char* caption, std::string detail, const char* image, SettingsAction action) {
        r = {m_app.localized(caption), std::move(detail), image, false, action, {}};
    };
    switch (path.section * 10 + path.row) {
        case 0:
            page("WirelessNetwork", m_app.localized(m_app.isConnected() ? "Connected" : "Disconnected"),
                 "bluetooth.png", kBluetoothPage);
            break;
        case 1:
            plain("Sync", m_app.strTransmitStatus(), "sync_a.png", SettingsAction::Sync);
            break;
        case 10:
            page("Present", entryAt(PresentArray, store.integerForKey(kPresent)), "settings_present.png", kPresentPage);
            break;
        case 11:
            page("Wish", entryAt(WishArray, store.integerForKey(kWish)), "settings_wish.png", kWishPage);
            break;
        case 20:
            plain("Telincome", onOff(store.integerForKey(kTelephoneAlert) == kAlertOn), "telincome.png",
                  SettingsAction::ToggleTelephoneAlert);
            break;
        case 21:
            plain("Message", onOff(store.integerForKey(kMsgAlert) == kAlertOn), "msgincome.png",
                  SettingsAction::ToggleMessageAlert);
            break;
        case 22: {
            const auto v = store.integerForKey(kLongTimeSitInteval);
            std::string detail =
                v == 0   ? m_app.localized("txtOff")
                : v == 1 ? m_app.localized("txtLongTimeSit45m")
                         : strprintf("%lld%s", static_cast<long long>(v - 1), m_app.localized("txtHour").c_str());
            page("LongTimeSit", detail, "settings_sit.png", kSitPage);
            break;
        }
        case 23: {
            const auto v = store.integerForKey(kMedicineInteval);
            std::string detail =
                v == 0 ? m_app.localized("txtOff")
                       : strprintf("%lld%s", static_cast<long long>(v), m_app.localized("txtHour").c_str());
            page("MedicinePrompt", detail, "settings_medicine.png", kMedicinePage);
            break;
        }
        case 24: {
            std::string detail = m_app.localized("Off");
            if (store.boolForKey(kAlertSwitch)) {
                const TimeOfDay t = hourMinuteOf(store.dateForKey(kAlertTime), now);
                detail = strprintf("%.2d:%.2d", t.hour, t.minute);
            }
            page("Alarm", detail, "alarm_time.png", kAlarmPage);
            break;
        }
        case 30:
            page("BodyHeight", strprintf("%lld cm", static_cast<long long>(store.integerForKey(kBodyHeight))),
                 "body_height.png", kBodyHeightPage);
            break;
        case 31:
            page("BodyWeight", strprintf("%lld kg", static_cast<long long>(store.integerForKey(kBodyWeight))),
                 "body_weight.png", kBodyWeightPage);
            break;
        case 40:
            page("DisplayDelay",
                 strprintf("%lld %s", static_cast<long long>(store.integerForKey(kDisplayTime)),
                           m_app.localized("Second").c_str()),
                 "display_time.png", kDisplayTimePage);
            break;
        case 41:
            plain("LostPrompt", onOff(store.integerForKey(kFindMe) == kFindMeOn), "findme.png",
                  SettingsAction::ToggleFindMe);
            break;
        case 42:
            plain("FactoryReset", m_app.localized("FactoryResetPrompt"), "settings_reset.png",
                  SettingsAction::FactoryReset);
            break;
        case 43:
            plain("About", "V" + m_app.ports().version, "settings_version.png", SettingsAction::None);
            break;
        default:
            break;
    }
    m_visible[path] = r;
    return r;
}

SettingsRow SettingsViewController::visibleRow(IndexPath path) {
    auto it = m_visible.find(path);
    return it != m_visible.end() ? it->second : cellForRowAtIndexPath(path);
}

void SettingsViewController::setVisibleRows(const std::set<IndexPath>& rows) {
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        it = rows.count(it->first) ? std::next(it) : m_visible.erase(it);
    }
    for (const auto& p : rows) {
        if (!m_visible.count(p)) cellForRowAtIndexPath(p);
    }
}

void SettingsViewController::updateData() {
    bool touched = false;
    if (auto it = m_visible.find({0, 0}); it != m_visible.end()) {
        it->second.detail = m_app.strBlueStatus();
        touched = true;
    }
    if (auto it = m_visible.find({0, 1}); it != m_visible.end()) {
        it->second.detail = m_app.strTransmitStatus();
        touched = true;
    }
    if (touched && changed) changed();
}

void SettingsViewController::reloadData() {
    for (auto& [path, row] : m_visible) row = cellForRowAtIndexPath(path);
    if (changed) changed();
}

void SettingsViewController::didSelectRowAtIndexPath(IndexPath path) {
    if (!validPath(path)) return;
    const SettingsRow row = cellForRowAtIndexPath(path);
    switch (row.action) {
        case SettingsAction::OpenPage:
            openPage(row.pageKey);
            break;
        case SettingsAction::ToggleTelephoneAlert:
            toggle01(kTelephoneAlert);
            break;
        case SettingsAction::ToggleMessageAlert:
            toggle01(kMsgAlert);
            break;
        case SettingsAction::ToggleFindMe:
            toggleFindMe();
            break;
        case SettingsAction::Sync:
            syncRow();
            break;
        case SettingsAction::FactoryReset: {
            AlertModel alert{m_app.localized("SettingsDeletePrompt"),
                             "",
                             m_app.localized("Cancel"),
                             {m_app.localized("OK")},
                             [this](int index) { alertViewClickedButtonAtIndex(index); }};
            alert.destructive = true;  // it erases every stored day and resets the band
            if (presentAlert) presentAlert(alert);
            break;
        }
        case SettingsAction::None:
            break;
    }
}

void SettingsViewController::openPage(const std::string& key) {
    strDataExchange = key;
    PageContext context{key, {}, [this] { reloadData(); }};
    if (key == kPresentPage) context.entries = PresentArray;
    if (key == kWishPage) context.entries = WishArray;
    auto page = std::make_shared<PropertiesViewController>(m_app, m_companion, std::move(context));
    page->viewDidLoad();
    if (presentPage) presentPage(page);
}

void SettingsViewController::toggle01(std::string_view key) {
    m_app.settings().setInteger(key, m_app.settings().integerForKey(key) == kAlertOff ? kAlertOn : kAlertOff);
    reloadData();
}

void SettingsViewController::toggleFindMe() {
    strDataExchange = kFindMe;
    const bool on = m_app.settings().integerForKey(kFindMe) == kFindMeOff;
    if (!on && m_stopAlarmSound) m_stopAlarmSound();
    m_companion.setFindMe(on);
    reloadData();
}

void SettingsViewController::syncRow() {
    if (!m_app.isConnected()) {
        if (presentAlert) {
            presentAlert({m_app.localized("Prompt"),
                          m_app.localized("SyncPrompt"),
                          std::nullopt,
                          {m_app.localized("OK")},
                          nullptr});
        }
        return;
    }
    m_companion.sync(nullptr);
    updateData();
}

namespace {
BackupOutcome noDatabase() {
    BackupOutcome outcome;
    outcome.error = "the activity database is not open";
    return outcome;
}
}  // namespace

BackupOutcome SettingsViewController::exportBackup(const std::string& path) {
    if (!m_app.m_db) return noDatabase();
    return exportRecordsToFile(*m_app.m_db, path);
}

BackupOutcome SettingsViewController::importBackup(const std::string& path) {
    if (!m_app.m_db) return noDatabase();
    return importRecordsFromFile(*m_app.m_db, path, false);
}

void SettingsViewController::alertViewClickedButtonAtIndex(int buttonIndex) {
    if (buttonIndex == 1) {
        m_app.log().log("ok");
        const bool connected = m_app.isConnected();
        m_companion.factoryReset();
        // Erasing everything must not pass in silence; without a band only the data went.
        if (presentAlert) {
            presentAlert({m_app.localized("Prompt"),
                          m_app.localized(connected ? "txtResetDone" : "txtResetDoneNoBand"),
                          std::nullopt,
                          {m_app.localized("OK")},
                          nullptr});
        }
    } else if (buttonIndex == 0) {
        m_app.log().log("cannel");
    }
}

}  // namespace vantro
