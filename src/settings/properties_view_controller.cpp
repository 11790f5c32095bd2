// SPDX-License-Identifier: MIT
// A property page as a form model: title, rows, controls by tag; saving; list pages; the wristband picker.
#include "settings/properties_view_controller.h"

#include "app/vantro_app_delegate.h"
#include "platform/strprintf.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"
#include "settings/settings_view_controller.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <thread>

namespace vantro {
namespace {

constexpr double kPickerRefreshSeconds = 1.0;
constexpr double kSwitchBandWaitSeconds = 0.1;

FormControl label(int tag, ControlFrame phone, ControlFrame tablet, std::string text, LabelAlignment align) {
    FormControl c;
    c.kind = ControlKind::Label;
    c.tag = tag;
    c.phone = phone;
    c.tablet = tablet;
    c.text = std::move(text);
    c.alignment = align;
    return c;
}

FormControl picker(int tag, ControlFrame phone, ControlFrame tablet, TimeOfDay t) {
    FormControl c;
    c.kind = ControlKind::TimePicker;
    c.tag = tag;
    c.phone = phone;
    c.tablet = tablet;
    c.time = t;
    return c;
}

FormControl switchControl(int tag, ControlFrame frame, bool on) {
    FormControl c;
    c.kind = ControlKind::Switch;
    c.tag = tag;
    c.phone = c.tablet = frame;
    c.on = on;
    return c;
}

}  // namespace

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

PropertiesViewController::PropertiesViewController(SettingsViewController& related, VantroAppDelegate& app)
    : m_related(related), m_app(app) {
    wait = [](double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); };
}

PropertiesViewController::~PropertiesViewController() {
    if (m_timer) m_app.runLoop().cancel(m_timer);
}

void PropertiesViewController::viewDidLoad() {
    wish_row = -1;
    m_key = m_related.strDataExchange;
    struct Page {
        const char* key;
        const char* title;
        bool scrolls;
    };
    static const Page kPages[] = {
        {"Bluetooth", "PropertyBluetoothSetup", true},
        {"BodyHeight", "PropertyBodyHeight", false},
        {"BodyWeight", "PropertyBodyWeight", false},
        {"DisplayTime", "PropertyDisplay", false},
        {"Alert", "PropertyAlermTime", false},
        {"Present", "PropertyPresent", true},
        {"Wish", "PropertyWish", true},
        {"LongTimeSit", "PropertyLongTimeSit", false},
        {"Medicine", "PropertyMedicine", false},
    };
    m_title.clear();
    m_scrolls = false;
    for (const auto& p : kPages) {
        if (m_key == p.key) {
            m_title = m_app.localized(p.title);
            m_scrolls = p.scrolls;
        }
    }
    if (m_key == "IMAPhone") m_title = "紧急呼叫";
    buildControls();
    if (m_key == "Bluetooth") {
        refreshControlTitle = m_app.localized("RefreshData");
        updateBleList();
        m_timer = m_app.runLoop().every(kPickerRefreshSeconds, [this] { updateBleList(); });
    }
}

int PropertiesViewController::numberOfRows() const {
    if (m_key == "Bluetooth") return static_cast<int>(m_pickerRows.size());
    if (m_key == "Present") return static_cast<int>(m_related.PresentArray.size());
    if (m_key == "Wish") return static_cast<int>(m_related.WishArray.size());
    return 1;
}

double PropertiesViewController::rowHeight() const {
    const bool phone = m_app.ports().idiom == DeviceIdiom::Phone;
    if (m_key == "Alert") return phone ? 300 : 400;
    if (m_key == "LongTimeSit" || m_key == "Medicine") return phone ? 700 : 400;
    if (m_key == "IMAPhone") return phone ? 100 : 110;
    return phone ? 50 : 60;
}

FormControl* PropertiesViewController::controlWithTag(int tag) {
    auto it = std::find_if(m_controls.begin(), m_controls.end(), [tag](const FormControl& c) { return c.tag == tag; });
    return it == m_controls.end() ? nullptr : &*it;
}

std::vector<const FormControl*> PropertiesViewController::controlsFor(DeviceIdiom idiom) const {
    std::vector<const FormControl*> out;
    for (const auto& c : m_controls) {
        if ((idiom == DeviceIdiom::Phone && c.tabletOnly) || (idiom == DeviceIdiom::Tablet && c.phoneOnly)) continue;
        out.push_back(&c);
    }
    return out;
}

std::string PropertiesViewController::listCaption(int row) const {
    const auto& list = m_key == "Present" ? m_related.PresentArray : m_related.WishArray;
    return row >= 0 && row < static_cast<int>(list.size()) ? list[static_cast<size_t>(row)] : std::string();
}

TimeOfDay PropertiesViewController::storedTime(std::string_view key) const {
    return hourMinuteOf(m_app.settings().dateForKey(key), m_app.runLoop().wallNow());
}

void PropertiesViewController::numberPage(const char* unitKey, const char* placeholderKey) {
    m_controls.push_back(
        label(1000, {0, 16, 100, 25}, {0, 16, 100, 25}, m_app.localized(unitKey), LabelAlignment::Right));
    FormControl field;
    field.kind = ControlKind::TextField;
    field.tag = 1001;
    field.phone = field.tablet = {125, 16, 260, 25};
    field.placeholder = m_app.localized(placeholderKey);
    field.numericKeypad = true;
    m_controls.push_back(field);
}

void PropertiesViewController::reminderPage(bool medicine) {
    const bool phone = m_app.ports().idiom == DeviceIdiom::Phone;
    const auto L = LabelAlignment::Left;
    const int base = medicine ? 4000 : 3000;
    FormControl segments;
    segments.kind = ControlKind::Segmented;
    segments.tag = base + 1;
    if (medicine) {
        // The label names the unit on both layouts: a lone unit beside the control read as a stray letter.
        m_controls.push_back(
            label(4000, {5, 10, 150, 15}, {10, 18, 90, 23}, m_app.localized("txtLongTimeSitIntevalHH"), L));
        segments.phone = {5, 30, 305, 33};
        segments.tablet = {90, 10, 350, 36};
        segments.segments.push_back(m_app.localized(phone ? "txtOff" : "txtLongTimeSitOff"));
        for (int i = 1; i <= 12; ++i) segments.segments.push_back(std::to_string(i));
        segments.selectedSegment =
            static_cast<int>(std::clamp<std::int64_t>(m_app.settings().integerForKey(kMedicineInteval), 0, 12));
    } else {
        m_controls.push_back(
            label(3000, {5, 10, 100, 15}, {10, 15, 90, 20}, m_app.localized("txtLongTimeSitInteval"), L));
        segments.phone = {5, 30, 290, 33};
        segments.tablet = {90, 10, 300, 36};
        for (const char* k : {"txtLongTimeSitOff", "txtLongTimeSit45m", "txtLongTimeSit1h", "txtLongTimeSit2h",
                              "txtLongTimeSit3h", "txtLongTimeSit4h"}) {
            segments.segments.push_back(m_app.localized(k));
        }
        segments.selectedSegment =
            static_cast<int>(std::clamp<std::int64_t>(m_app.settings().integerForKey(kLongTimeSitInteval), 0, 5));
    }
    m_controls.push_back(segments);
    m_controls.push_back(label(base + 2, {5, 50, 100, 56}, {10, 50, 100, 56}, m_app.localized("txtStartTime"), L));
    m_controls.push_back(picker(base + 3, {0, 65, 240, 155}, {0, 80, 220, 260},
                                storedTime(medicine ? kMedicineSTime : kLongTimeSitSTime)));
    m_controls.push_back(
        label(base + 4, {5, 185, 100, 191}, {250, 50, medicine ? 280.0 : 300.0, 56}, m_app.localized("txtEndTime"), L));
    m_controls.push_back(picker(base + 5, {0, 265, 240, 355}, {220, 80, 300, 260},
                                storedTime(medicine ? kMedicineETime : kLongTimeSitETime)));
}

void PropertiesViewController::buildControls() {
    m_controls.clear();
    const auto R = LabelAlignment::Right;
    if (m_key == "BodyHeight") {
        numberPage("BodyHeightUnit", "txtInputHeight");
    } else if (m_key == "BodyWeight") {
        numberPage("BodyWeightUnit", "txtInputWeight");
    } else if (m_key == "DisplayTime") {
        numberPage("txtDisplayDelay", "txtInputDisplayDelay");
    } else if (m_key == "Alert") {
        m_controls.push_back(label(1000, {0, 15, 100, 20}, {0, 15, 100, 20}, m_app.localized("txtAlermSwitch"), R));
        m_controls.push_back(label(2000, {0, 40, 100, 46}, {0, 40, 100, 46}, m_app.localized("txtAlermTime"), R));
        m_controls.push_back(switchControl(2002, {160, 10, 200, 16}, m_app.settings().boolForKey(kAlertSwitch)));
        // Width 0: the picker keeps its own standard width.
        m_controls.push_back(picker(2001, {0, 80, 0, 260}, {0, 80, 0, 260}, storedTime(kAlertTime)));
    } else if (m_key == "LongTimeSit") {
        reminderPage(false);
    } else if (m_key == "Medicine") {
        reminderPage(true);
    } else if (m_key == "IMAPhone") {
        m_controls.push_back(label(1000, {0, 16, 120, 26}, {0, 16, 120, 26}, "紧急呼叫开关:", R));
        m_controls.push_back(label(1001, {0, 46, 120, 56}, {0, 46, 120, 56}, "紧急呼叫号码:", R));
        m_controls.push_back(switchControl(1002, {140, 12, 200, 1}, m_app.settings().boolForKey(kImaSwitch)));
        FormControl field;
        field.kind = ControlKind::TextField;
        field.tag = 1003;
        field.phone = field.tablet = {140, 46, 176, 56};
        field.text = m_app.settings().stringForKey(kImaPhone).value_or("");
        field.placeholder = "请输入电话号码";
        field.numericKeypad = true;
        m_controls.push_back(field);
    }
}

void PropertiesViewController::didSelectRowAtIndexPath(int row) {
    if (m_key == "Present" || m_key == "Wish") {
        if (row < 0 || row >= numberOfRows()) return;
        wish_row = row;
        if (row != lastIndexPath.value_or(-1)) lastIndexPath = row;
        if (changed) changed();
    } else if (m_key == "Bluetooth") {
        selectPickerRow(row);
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
    if (m_timer) {
        m_app.runLoop().cancel(m_timer);
        m_timer = 0;
    }
    m_dismissed = true;
    if (dismiss) dismiss();
}

void PropertiesViewController::backAction() {
    finish();
}

bool PropertiesViewController::saveNumber(std::string_view storeKey, std::uint8_t command, int low,
                                          const char* emptyKey, const char* wanKey) {
    const FormControl* field = controlWithTag(1001);
    const std::string text = field ? field->text : std::string();
    if (text.empty()) {
        prompt(emptyKey, false);
        return false;
    }
    const long long v = integerValueOfText(text);
    if (v < low || v > 255) {
        prompt(wanKey, false);
        return false;
    }
    m_app.settings().setInteger(storeKey, v);
    m_related.reloadData();
    const std::uint8_t data[6] = {static_cast<std::uint8_t>(v)};
    m_app.SendData(command, data, 1);
    return true;
}

void PropertiesViewController::saveReminder(std::string_view intervalKey, std::string_view startKey,
                                            std::string_view endKey, std::uint8_t command, int segmentTag, int startTag,
                                            int endTag) {
    const FormControl* segments = controlWithTag(segmentTag);
    const FormControl* start = controlWithTag(startTag);
    const FormControl* end = controlWithTag(endTag);
    if (!segments || !start || !end) return;
    // The interval is kept even when the window is refused.
    m_app.settings().setInteger(intervalKey, segments->selectedSegment);
    const auto stamps = pickerTimestamps({start, end});
    const Instant s = stamps[0], e = stamps[1];
    if (!checkTime(s, e)) return;
    m_app.settings().setDate(startKey, s);
    m_app.settings().setDate(endKey, e);
    const Instant now = m_app.runLoop().wallNow();
    const TimeOfDay sh = hourMinuteOf(s, now), eh = hourMinuteOf(e, now);
    const std::uint8_t data[6] = {command,
                                  static_cast<std::uint8_t>(segments->selectedSegment),
                                  static_cast<std::uint8_t>(sh.hour),
                                  static_cast<std::uint8_t>(sh.minute),
                                  static_cast<std::uint8_t>(eh.hour),
                                  static_cast<std::uint8_t>(eh.minute)};
    m_app.SendData(command, data, 6);
    m_related.reloadData();
    finish();
}

void PropertiesViewController::ProessResult() {
    KeyValueStore& store = m_app.settings();
    if (m_key == "BodyHeight") {
        if (saveNumber(kBodyHeight, CMD_TYPE_BODYHEIGHT, 80, "txtHeightPrompt", "txtHeightPromptWan")) finish();
    } else if (m_key == "BodyWeight") {
        if (saveNumber(kBodyWeight, CMD_TYPE_BODYWEIGHT, 10, "txtWeightPrompt", "txtWeightPromptWan")) finish();
    } else if (m_key == "DisplayTime") {
        if (saveNumber(kDisplayTime, CMD_TYPE_DISPLAY_TIME, 3, "txtDisplayDelayPrompt", "txtDisplayDelayPromptWan")) {
            finish();
        }
    } else if (m_key == "Alert") {
        const FormControl* sw = controlWithTag(2002);
        const FormControl* time = controlWithTag(2001);
        if (!sw || !time) return finish();
        const Instant stamp = pickerTimestamps({time})[0];
        store.setBool(kAlertSwitch, sw->on);
        store.setDate(kAlertTime, stamp);
        std::uint8_t data[6] = {0xFF, 0xFF};
        if (sw->on) {
            const TimeOfDay t = hourMinuteOf(stamp, m_app.runLoop().wallNow());
            data[0] = static_cast<std::uint8_t>(t.hour);
            data[1] = static_cast<std::uint8_t>(t.minute);
        }
        m_app.SendData(CMD_TYPE_ALERT_TIME, data, 2);
        m_related.reloadData();
        finish();
    } else if (m_key == "Present" || m_key == "Wish") {
        if (wish_row != -1) {
            const bool present = m_key == "Present";
            store.setInteger(present ? kPresent : kWish, wish_row);
            const std::uint8_t code = present ? CMD_TYPE_PRESENT : CMD_TYPE_WISH;
            const std::uint8_t data[6] = {code, static_cast<std::uint8_t>(wish_row)};
            m_app.SendData(code, data, 2);
            m_related.reloadData();
        }
        finish();
    } else if (m_key == "LongTimeSit") {
        saveReminder(kLongTimeSitInteval, kLongTimeSitSTime, kLongTimeSitETime, CMD_TYPE_PROMPT_SIT, 3001, 3003, 3005);
    } else if (m_key == "Medicine") {
        saveReminder(kMedicineInteval, kMedicineSTime, kMedicineETime, CMD_TYPE_PROMPT_MEAD, 4001, 4003, 4005);
    } else if (m_key == "IMAPhone") {
        const FormControl* sw = controlWithTag(1002);
        const FormControl* field = controlWithTag(1003);
        if (sw) store.setBool(kImaSwitch, sw->on);
        if (field) store.setString(kImaPhone, field->text);
        m_related.reloadData();
        finish();
    } else {
        finish();
    }
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

void PropertiesViewController::updateBleList() {
    m_pickerRows.clear();
    m_pickerStatusLine = m_app.bluetoothStateText();
    if (m_pickerStatusLine.empty() && m_app.isConnected() && !m_app.manager->signalSource().empty()) {
        m_pickerStatusLine = m_app.localized(m_app.manager->signalSource());
    }
    if (m_app.bleList) {
        for (const auto& [key, dev] : *m_app.bleList) {
            const bool connected = dev.device && dev.device->isConnected();
            // A band that is not connected has only its latest advertisement to tell how near it is.
            const double rssi = connected ? dev.device->rssi().value_or(0.0) : static_cast<double>(dev.rssi);
            m_pickerRows.push_back({key, strprintf("RSSI:%.2f             %s", rssi,
                                                   m_app.localized(connected ? "Connected" : "Disconnected").c_str())});
            if (m_app.simulatedBand) m_pickerRows.back().subtitle += "  \u00b7 " + m_app.localized("SimulatedBand");
        }
    }
    if (changed) changed();
}

void PropertiesViewController::selectPickerRow(int row) {
    const std::string caption =
        row >= 0 && row < static_cast<int>(m_pickerRows.size()) ? m_pickerRows[static_cast<size_t>(row)].caption : "";
    if (BlePeripheralPtr p = m_app.getBlePeripheralFromBleList(caption)) {
        const bool same = m_app.comparePeripheral(p, m_app.peripheral);
        const bool connected = m_app.isConnected();
        if (same && connected) {
            m_app.disconnectPeripheral(m_app.peripheral);
            m_app.setStrBlueStatus("Disconnecting");
        } else if (same) {
            m_app.connectPeripheral(p);
            m_app.setStrBlueStatus("Connecting");
        } else {
            if (connected) {
                m_app.disconnectPeripheral(m_app.peripheral);
                m_app.setStrBlueStatus("Disconnecting");
            }
            if (wait) wait(kSwitchBandWaitSeconds);
            m_app.connectPeripheral(p);
            m_app.setStrBlueStatus("Connecting");
        }
    }
    finish();
}

void PropertiesViewController::refreshBleTable(bool refreshing) {
    if (!refreshing) return;
    if (m_app.isConnected()) {
        m_app.disconnectPeripheral(m_app.peripheral);
        m_app.setStrBlueStatus("Researching");
    }
    if (m_app.bleList) m_app.bleList->clear();
    m_app.startScanning();
    m_app.peripheral = nullptr;
    refreshControlTitle = m_app.localized("Scanning");
    updateBleList();
}

}  // namespace vantro
