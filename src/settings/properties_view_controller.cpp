// SPDX-License-Identifier: MIT
// A property page as a form model: one table entry per page gives its title, row height, rows and save.
#include "settings/properties_view_controller.h"

#include "app/vantro_app_delegate.h"
#include "protocol/codes.h"
#include "protocol/command_bytes.h"
#include "settings/settings_keys.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <thread>

namespace vantro {

struct PropertiesViewController::Page {
    std::string_view key;
    std::string_view title;  // a catalog key, or the text itself where the page was never translated
    bool localisedTitle;
    PageKind kind;
    bool scrolls;
    double phoneRowHeight;
    double tabletRowHeight;
    std::vector<FormRow> (PropertiesViewController::*rows)() const;  // form pages
    void (PropertiesViewController::*save)();                        // null: "OK" only closes
};

/// A reminder page: what it stores, which controls hold it, and the command that tells the band.
struct PropertiesViewController::Reminder {
    std::string_view intervalKey;
    std::string_view startKey;
    std::string_view endKey;
    int intervalTag;
    int startTag;
    int endTag;
};

namespace {

using P = PropertiesViewController;
constexpr P::Reminder kSitReminder{kLongTimeSitInteval, kLongTimeSitSTime, kLongTimeSitETime,
                                   kSitIntervalTag,     kSitStartTag,      kSitEndTag};
constexpr P::Reminder kMedicineReminder{kMedicineInteval,     kMedicineSTime,    kMedicineETime,
                                        kMedicineIntervalTag, kMedicineStartTag, kMedicineEndTag};

FormControl timePicker(int tag, TimeOfDay t) {
    FormControl c;
    c.kind = ControlKind::TimePicker;
    c.tag = tag;
    c.time = t;
    return c;
}

FormControl switchControl(int tag, bool on) {
    FormControl c;
    c.kind = ControlKind::Switch;
    c.tag = tag;
    c.on = on;
    return c;
}

FormControl numberField(int tag, std::string text, std::string placeholder) {
    FormControl c;
    c.kind = ControlKind::TextField;
    c.tag = tag;
    c.text = std::move(text);
    c.placeholder = std::move(placeholder);
    c.numericKeypad = true;
    return c;
}

}  // namespace

const PropertiesViewController::Page* PropertiesViewController::findPage(std::string_view key) {
    static const Page kPages[] = {
        {kBluetoothPage, "PropertyBluetoothSetup", true, PageKind::Picker, true, 50, 60, nullptr, nullptr},
        {kBodyHeightPage, "PropertyBodyHeight", true, PageKind::Form, false, 50, 60, &P::heightRows, &P::saveHeight},
        {kBodyWeightPage, "PropertyBodyWeight", true, PageKind::Form, false, 50, 60, &P::weightRows, &P::saveWeight},
        {kDisplayTimePage, "PropertyDisplay", true, PageKind::Form, false, 50, 60, &P::displayTimeRows,
         &P::saveDisplayTime},
        {kAlarmPage, "PropertyAlermTime", true, PageKind::Form, false, 300, 400, &P::alarmRows, &P::saveAlarm},
        {kPresentPage, "PropertyPresent", true, PageKind::List, true, 50, 60, nullptr, &P::saveGreeting},
        {kWishPage, "PropertyWish", true, PageKind::List, true, 50, 60, nullptr, &P::saveGreeting},
        {kSitPage, "PropertyLongTimeSit", true, PageKind::Form, false, 700, 400, &P::sitRows, &P::saveSit},
        {kMedicinePage, "PropertyMedicine", true, PageKind::Form, false, 700, 400, &P::medicineRows, &P::saveMedicine},
        {kEmergencyPage, "紧急呼叫", false, PageKind::Form, false, 100, 110, &P::emergencyRows, &P::saveEmergency},
    };
    for (const Page& p : kPages) {
        if (p.key == key) return &p;
    }
    return nullptr;
}

long long integerValueOfText(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const int d = text[i] - '0';
        v = v > (LLONG_MAX - d) / 10 ? LLONG_MAX : v * 10 + d;
    }
    return negative ? -v : v;
}

PropertiesViewController::PropertiesViewController(VantroAppDelegate& app, Companion& companion, PageContext context)
    : m_app(app), m_companion(companion), m_context(std::move(context)) {
    wait = [](double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); };
}

PropertiesViewController::~PropertiesViewController() = default;

void PropertiesViewController::viewDidLoad() {
    wish_row = -1;
    m_page = findPage(m_context.key);
    m_title.clear();
    m_rows.clear();
    m_picker.reset();
    if (!m_page) return;
    m_title = m_page->localisedTitle ? m_app.localized(m_page->title) : std::string(m_page->title);
    if (m_page->rows) m_rows = (this->*m_page->rows)();
    if (m_page->kind == PageKind::Picker) {
        m_picker = std::make_unique<WristbandPicker>(m_app, m_companion, [this] {
            if (changed) changed();
        });
        m_picker->start();
    }
}

PageKind PropertiesViewController::kind() const {
    return m_page ? m_page->kind : PageKind::Form;
}

bool PropertiesViewController::scrolls() const {
    return m_page && m_page->scrolls;
}

int PropertiesViewController::numberOfRows() const {
    if (m_picker) return static_cast<int>(m_picker->rows().size());
    if (kind() == PageKind::List) return static_cast<int>(m_context.entries.size());
    return 1;
}

double PropertiesViewController::rowHeight() const {
    const bool phone = m_app.ports().idiom == DeviceIdiom::Phone;
    if (!m_page) return phone ? 50 : 60;
    return phone ? m_page->phoneRowHeight : m_page->tabletRowHeight;
}

FormControl* PropertiesViewController::controlWithTag(int tag) {
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [tag](const FormRow& r) { return r.control.tag == tag; });
    return it == m_rows.end() ? nullptr : &it->control;
}

std::string PropertiesViewController::listCaption(int row) const {
    const auto& list = m_context.entries;
    return row >= 0 && row < static_cast<int>(list.size()) ? list[static_cast<size_t>(row)] : std::string();
}

TimeOfDay PropertiesViewController::storedTime(std::string_view key) const {
    return hourMinuteOf(m_app.settings().dateForKey(key), m_app.runLoop().wallNow());
}

std::vector<FormRow> PropertiesViewController::numberRows(const char* captionKey, const char* placeholderKey) const {
    return {{m_app.localized(captionKey), numberField(kNumberFieldTag, "", m_app.localized(placeholderKey)), {}}};
}

std::vector<FormRow> PropertiesViewController::heightRows() const {
    return numberRows("BodyHeightUnit", "txtInputHeight");
}

std::vector<FormRow> PropertiesViewController::weightRows() const {
    return numberRows("BodyWeightUnit", "txtInputWeight");
}

std::vector<FormRow> PropertiesViewController::displayTimeRows() const {
    return numberRows("txtDisplayDelay", "txtInputDisplayDelay");
}

std::vector<FormRow> PropertiesViewController::alarmRows() const {
    return {
        {m_app.localized("txtAlermSwitch"),
         switchControl(kAlarmSwitchTag, m_app.settings().boolForKey(kAlertSwitch)),
         {}},
        {m_app.localized("txtAlermTime"), timePicker(kAlarmTimeTag, storedTime(kAlertTime)), {}},
    };
}

std::vector<FormRow> PropertiesViewController::reminderRows(const Reminder& r, const char* captionKey,
                                                            std::vector<std::string> choices) const {
    FormControl interval;
    interval.kind = ControlKind::Segmented;
    interval.tag = r.intervalTag;
    interval.segments = std::move(choices);
    const auto last = static_cast<std::int64_t>(interval.segments.size()) - 1;
    interval.selectedSegment =
        static_cast<int>(std::clamp<std::int64_t>(m_app.settings().integerForKey(r.intervalKey), 0, last));
    return {
        {m_app.localized(captionKey), interval, {}},
        {m_app.localized("txtStartTime"), timePicker(r.startTag, storedTime(r.startKey)), {}},
        {m_app.localized("txtEndTime"), timePicker(r.endTag, storedTime(r.endKey)), {}},
    };
}

std::vector<FormRow> PropertiesViewController::sitRows() const {
    std::vector<std::string> choices;
    for (const char* k : {"txtLongTimeSitOff", "txtLongTimeSit45m", "txtLongTimeSit1h", "txtLongTimeSit2h",
                          "txtLongTimeSit3h", "txtLongTimeSit4h"}) {
        choices.push_back(m_app.localized(k));
    }
    return reminderRows(kSitReminder, "txtLongTimeSitInteval", std::move(choices));
}

std::vector<FormRow> PropertiesViewController::medicineRows() const {
    const bool phone = m_app.ports().idiom == DeviceIdiom::Phone;
    std::vector<std::string> choices{m_app.localized(phone ? "txtOff" : "txtLongTimeSitOff")};
    for (int i = 1; i <= 12; ++i) choices.push_back(std::to_string(i));
    // The caption names the unit on both layouts: a lone unit beside the control read as a stray letter.
    return reminderRows(kMedicineReminder, "txtLongTimeSitIntevalHH", std::move(choices));
}

std::vector<FormRow> PropertiesViewController::emergencyRows() const {
    return {
        {"紧急呼叫开关:", switchControl(kEmergencySwitchTag, m_app.settings().boolForKey(kImaSwitch)), {}},
        {"紧急呼叫号码:",
         numberField(kEmergencyNumberTag, m_app.settings().stringForKey(kImaPhone).value_or(""), "请输入电话号码"),
         {}},
    };
}

void PropertiesViewController::didSelectRowAtIndexPath(int row) {
    if (m_picker) {
        m_picker->select(row, wait);
        finish();
    } else if (kind() == PageKind::List) {
        if (row < 0 || row >= numberOfRows()) return;
        wish_row = row;
        if (row != lastIndexPath.value_or(-1)) lastIndexPath = row;
        if (changed) changed();
    }
}

std::vector<Instant> PropertiesViewController::pickerTimestamps(const std::vector<const FormControl*>& pickers) const {
    const Instant now = m_app.runLoop().wallNow();
    std::vector<TimeOfDay> times;
    for (const FormControl* c : pickers) times.push_back(c->time);
    // 02:30 on a spring-forward day would otherwise be stored, shown and sent as 03:30.
    const CalendarDate day = dayShowingAll(toLocal(now).date(), times);
    std::vector<Instant> stamps;
    for (const TimeOfDay& t : times) stamps.push_back(exactInstant(day, t).value_or(now));
    return stamps;
}

void PropertiesViewController::prompt(const std::string& messageKey, bool localisedButton) {
    if (presentAlert) {
        presentAlert({m_app.localized("Prompt"),
                      m_app.localized(messageKey),
                      std::nullopt,
                      {localisedButton ? m_app.localized("OK") : std::string("OK")},
                      nullptr});
    }
}

void PropertiesViewController::finish() {
    if (m_picker) m_picker->stop();
    m_dismissed = true;
    if (dismiss) dismiss();
}

void PropertiesViewController::backAction() {
    finish();
}

void PropertiesViewController::ProessResult() {
    if (m_page && m_page->save) {
        (this->*m_page->save)();
    } else {
        finish();
    }
}

bool PropertiesViewController::saveNumber(std::string_view storeKey, int low, const char* emptyKey,
                                          const char* wanKey) {
    const FormControl* field = controlWithTag(kNumberFieldTag);
    const std::string text = field ? field->text : std::string();
    if (text.empty()) {
        prompt(emptyKey, false);
        return false;
    }
    const long long v = integerValueOfText(text);
    if (v < low || v > kSettingByteMax) {
        prompt(wanKey, false);
        return false;
    }
    m_app.settings().setInteger(storeKey, v);
    if (m_context.settingsChanged) m_context.settingsChanged();
    applySetting(storeKey);
    return true;
}

void PropertiesViewController::saveHeight() {
    if (saveNumber(kBodyHeight, kBodyHeightMin, "txtHeightPrompt", "txtHeightPromptWan")) {
        finish();
    }
}

void PropertiesViewController::saveWeight() {
    if (saveNumber(kBodyWeight, kBodyWeightMin, "txtWeightPrompt", "txtWeightPromptWan")) {
        finish();
    }
}

void PropertiesViewController::saveDisplayTime() {
    if (saveNumber(kDisplayTime, kDisplayTimeMin, "txtDisplayDelayPrompt", "txtDisplayDelayPromptWan")) {
        finish();
    }
}

void PropertiesViewController::saveAlarm() {
    const FormControl* sw = controlWithTag(kAlarmSwitchTag);
    const FormControl* time = controlWithTag(kAlarmTimeTag);
    if (!sw || !time) return finish();
    const Instant stamp = pickerTimestamps({time})[0];
    m_app.settings().setBool(kAlertSwitch, sw->on);
    m_app.settings().setDate(kAlertTime, stamp);
    applySetting(kAlertSwitch);
    if (m_context.settingsChanged) m_context.settingsChanged();
    finish();
}

void PropertiesViewController::saveGreeting() {
    if (wish_row != -1) {
        const bool present = m_context.key == kPresentPage;
        m_app.settings().setInteger(present ? kPresent : kWish, wish_row);
        applySetting(present ? kPresent : kWish);
        if (m_context.settingsChanged) m_context.settingsChanged();
    }
    finish();
}

void PropertiesViewController::saveReminder(const Reminder& r) {
    const FormControl* segments = controlWithTag(r.intervalTag);
    const FormControl* start = controlWithTag(r.startTag);
    const FormControl* end = controlWithTag(r.endTag);
    if (!segments || !start || !end) return;
    // The interval is kept even when the window is refused.
    m_app.settings().setInteger(r.intervalKey, segments->selectedSegment);
    const auto stamps = pickerTimestamps({start, end});
    const Instant s = stamps[0], e = stamps[1];
    if (!checkTime(s, e)) return;
    m_app.settings().setDate(r.startKey, s);
    m_app.settings().setDate(r.endKey, e);
    applySetting(r.intervalKey);
    if (m_context.settingsChanged) m_context.settingsChanged();
    finish();
}

void PropertiesViewController::saveSit() {
    saveReminder(kSitReminder);
}

void PropertiesViewController::saveMedicine() {
    saveReminder(kMedicineReminder);
}

void PropertiesViewController::saveEmergency() {
    const FormControl* sw = controlWithTag(kEmergencySwitchTag);
    const FormControl* field = controlWithTag(kEmergencyNumberTag);
    if (sw) m_app.settings().setBool(kImaSwitch, sw->on);
    if (field) m_app.settings().setString(kImaPhone, field->text);
    if (m_context.settingsChanged) m_context.settingsChanged();
    finish();
}

std::string PropertiesViewController::localized(std::string_view key) const {
    return m_app.localized(key);
}

void PropertiesViewController::applySetting(std::string_view key) {
    // The companion sends the stored value with the setting's own command, as the sync would.
    m_companion.applySetting(key);
}

bool PropertiesViewController::checkTime(Instant start, Instant end) {
    if (start == end) {
        prompt("txtTimeSame", true);
        return false;
    }
    if (start > end) {
        prompt("txtTimeLessThanStart", true);
        return false;
    }
    return true;
}

}  // namespace vantro
