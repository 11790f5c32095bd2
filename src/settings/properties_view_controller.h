// SPDX-License-Identifier: MIT
// A property page as a form model: title, rows of caption, control and unit; saving; list pages; the
// wristband picker. Every page is one entry of a table.
#pragma once

#include "platform/local_time.h"
#include "settings/alert_model.h"
#include "settings/wristband_picker.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

class VantroAppDelegate;

// The pages the settings screen opens.
inline constexpr std::string_view kBluetoothPage = "Bluetooth";
inline constexpr std::string_view kBodyHeightPage = "BodyHeight";
inline constexpr std::string_view kBodyWeightPage = "BodyWeight";
inline constexpr std::string_view kDisplayTimePage = "DisplayTime";
inline constexpr std::string_view kAlarmPage = "Alert";
inline constexpr std::string_view kPresentPage = "Present";
inline constexpr std::string_view kWishPage = "Wish";
inline constexpr std::string_view kSitPage = "LongTimeSit";
inline constexpr std::string_view kMedicinePage = "Medicine";
inline constexpr std::string_view kEmergencyPage = "IMAPhone";

enum class ControlKind { TextField, Switch, Segmented, TimePicker };

/// The controls a page reads back when it saves.
enum ControlTag : int {
    kNumberFieldTag = 1001,
    kEmergencySwitchTag = 1002,
    kEmergencyNumberTag = 1003,
    kAlarmTimeTag = 2001,
    kAlarmSwitchTag = 2002,
    kSitIntervalTag = 3001,
    kSitStartTag = 3003,
    kSitEndTag = 3005,
    kMedicineIntervalTag = 4001,
    kMedicineStartTag = 4003,
    kMedicineEndTag = 4005,
};

/// One editable control. Texts are final (localised where the page localises them).
struct FormControl {
    ControlKind kind = ControlKind::TextField;
    int tag = 0;
    std::string text;         // what is typed into a text field
    std::string placeholder;  // text field
    bool numericKeypad = false;
    std::vector<std::string> segments;
    int selectedSegment = 0;
    bool on = false;   // switch
    TimeOfDay time{};  // picker: hours and minutes only
};

/// One line of a form: what the control edits, the control, and what follows it (empty for nothing).
/// A field or switch shares its line with the caption; segments and time pickers sit under it.
struct FormRow {
    std::string caption;
    FormControl control;
    std::string unit;
};

enum class PageKind { Form, List, Picker };

/// What a page needs from the settings screen that opens it.
struct PageContext {
    /// Which page: "Bluetooth", "BodyHeight", "Alert", "Present", …; an unknown key is an empty page.
    std::string key;
    /// The entries of a list page (the present or wish texts).
    std::vector<std::string> entries;
    /// The stored settings changed: the settings table reloads.
    std::function<void()> settingsChanged;
};

/// One property page, chosen by its key when the page loads.
class PropertiesViewController {
public:
    PropertiesViewController(VantroAppDelegate& app, Companion& companion, PageContext context);
    /// The page's text of `key` in the app's language.
    std::string localized(std::string_view key) const;
    ~PropertiesViewController();

    /// Title, rows from the store; the picker's refresh.
    void viewDidLoad();

    const std::string& pageKey() const { return m_context.key; }
    const std::string& title() const { return m_title; }
    PageKind kind() const;
    int numberOfRows() const;
    double rowHeight() const;
    bool scrolls() const;

    /// Form pages: the rows in order from the top.
    std::vector<FormRow>& rows() { return m_rows; }
    FormControl* controlWithTag(int tag);

    /// List pages: the entry texts and the check mark.
    std::string listCaption(int row) const;
    bool hasCheckmark(int row) const { return lastIndexPath && *lastIndexPath == row; }
    /// Picker page only; null on the others.
    WristbandPicker* picker() { return m_picker.get(); }

    void didSelectRowAtIndexPath(int row);
    /// "OK": validate, store, send, reload the settings table, dismiss — or prompt and stay open.
    void ProessResult();
    /// True when start is earlier than end; prompts otherwise.
    bool checkTime(Instant start, Instant end);
    /// "Cancel": dismiss, nothing stored or sent.
    void backAction();

    /// The pickers' chosen hours and minutes as time stamps on one local date: today, or the nearest
    /// day on which the clock shows every one of them, so each reads back exactly as chosen.
    std::vector<Instant> pickerTimestamps(const std::vector<const FormControl*>& pickers) const;

    std::optional<int> lastIndexPath;
    std::int32_t wish_row = -1;
    bool dismissed() const { return m_dismissed; }

    // Hooks the shell sets.
    std::function<void(const AlertModel&)> presentAlert;
    std::function<void()> dismiss;
    std::function<void()> changed;
    /// The blocking wait between disconnecting one band and connecting another (tests record it).
    std::function<void(double seconds)> wait;

    struct Page;
    struct Reminder;

private:
    std::vector<FormRow> numberRows(const char* captionKey, const char* placeholderKey) const;
    std::vector<FormRow> heightRows() const;
    std::vector<FormRow> weightRows() const;
    std::vector<FormRow> displayTimeRows() const;
    std::vector<FormRow> alarmRows() const;
    std::vector<FormRow> sitRows() const;
    std::vector<FormRow> medicineRows() const;
    std::vector<FormRow> emergencyRows() const;
    std::vector<FormRow> reminderRows(const Reminder& r, const char* captionKey,
                                      std::vector<std::string> choices) const;

    void saveHeight();
    void saveWeight();
    void saveDisplayTime();
    void saveAlarm();
    void saveGreeting();
    void saveSit();
    void saveMedicine();
    void saveEmergency();
    void finish();

    void prompt(const std::string& messageKey, bool localisedButton);
    bool saveNumber(std::string_view storeKey, int low, const char* emptyKey, const char* wanKey);
    void applySetting(std::string_view key);
    void saveReminder(const Reminder& r);
    TimeOfDay storedTime(std::string_view key) const;
    static const Page* findPage(std::string_view key);

    VantroAppDelegate& m_app;
    Companion& m_companion;
    PageContext m_context;
    const Page* m_page = nullptr;
    std::string m_title;
    std::vector<FormRow> m_rows;
    std::unique_ptr<WristbandPicker> m_picker;
    bool m_dismissed = false;
};

/// The integer value of a text: leading blanks and a sign, then digits up to the first other character;
/// 0 without digits. Saturates instead of overflowing.
long long integerValueOfText(const std::string& text);

}  // namespace vantro
