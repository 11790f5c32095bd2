// SPDX-License-Identifier: MIT
// A property page as a form model: title, rows, controls by tag; saving; list pages; the wristband picker.
#pragma once

#include "platform/local_time.h"
#include "platform/services.h"
#include "settings/alert_model.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

class SettingsViewController;
class VantroAppDelegate;

enum class ControlKind { Label, TextField, Switch, Segmented, TimePicker };
enum class LabelAlignment { Left, Right };

struct ControlFrame {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ControlFrame&) const = default;
};

/// One control of a one-row page. Texts are final (localised where the page localises them).
struct FormControl {
    ControlKind kind = ControlKind::Label;
    int tag = 0;
    ControlFrame phone;
    ControlFrame tablet;
    bool phoneOnly = false;
    bool tabletOnly = false;
    LabelAlignment alignment = LabelAlignment::Right;
    std::string text;         // label caption, or what is typed into a text field
    std::string placeholder;  // text field
    bool numericKeypad = false;
    std::vector<std::string> segments;
    int selectedSegment = 0;
    bool on = false;   // switch
    TimeOfDay time{};  // picker: hours and minutes only

    const ControlFrame& frame(DeviceIdiom idiom) const { return idiom == DeviceIdiom::Phone ? phone : tablet; }
};

/// One row of the wristband picker.
struct PickerRow {
    std::string caption;   // the seen-device key
    std::string subtitle;  // "RSSI:%.2f             %@"
};

/// One property page, chosen by the settings screen's strDataExchange when the page loads.
class PropertiesViewController {
public:
    PropertiesViewController(SettingsViewController& related, VantroAppDelegate& app);
    ~PropertiesViewController();

    /// Title, rows, controls from the store; the picker's refresh timer.
    void viewDidLoad();

    const std::string& pageKey() const { return m_key; }
    const std::string& title() const { return m_title; }
    int numberOfRows() const;
    double rowHeight() const;
    bool scrolls() const { return m_scrolls; }

    std::vector<FormControl>& controls() { return m_controls; }
    FormControl* controlWithTag(int tag);
    /// Controls that exist on this idiom, in drawing order.
    std::vector<const FormControl*> controlsFor(DeviceIdiom idiom) const;

    /// List pages: the entry texts and the check mark.
    std::string listCaption(int row) const;
    bool hasCheckmark(int row) const { return lastIndexPath && *lastIndexPath == row; }
    /// Picker page: the rows as last refreshed.
    const std::vector<PickerRow>& pickerRows() const { return m_pickerRows; }
    /// Picker page: a line above the rows when Bluetooth cannot be used, or which source the connected
    /// band's signal strength comes from; empty when there is nothing to say.
    const std::string& pickerStatusLine() const { return m_pickerStatusLine; }
    std::string refreshControlTitle;

    void didSelectRowAtIndexPath(int row);
    /// "OK": validate, store, send, reload the settings table, dismiss — or prompt and stay open.
    void ProessResult();
    /// True when start is earlier than end; prompts otherwise.
    bool checkTime(Instant start, Instant end);
    /// "Cancel": dismiss, nothing stored or sent.
    void backAction();

    /// Picker: reload the rows from the seen-wristband list.
    void updateBleList();
    /// Picker: the pull-to-refresh rescan; `refreshing` is the control's state.
    void refreshBleTable(bool refreshing);

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

private:
    void buildControls();
    void numberPage(const char* unitKey, const char* placeholderKey);
    void reminderPage(bool medicine);
    void prompt(const std::string& messageKey, bool localisedButton);
    void finish();
    bool saveNumber(std::string_view storeKey, std::uint8_t command, int low, const char* emptyKey, const char* wanKey);
    void saveReminder(std::string_view intervalKey, std::string_view startKey, std::string_view endKey,
                      std::uint8_t command, int segmentTag, int startTag, int endTag);
    void selectPickerRow(int row);
    TimeOfDay storedTime(std::string_view key) const;

    SettingsViewController& m_related;
    VantroAppDelegate& m_app;
    std::string m_key;
    std::string m_title;
    bool m_scrolls = false;
    std::vector<FormControl> m_controls;
    std::vector<PickerRow> m_pickerRows;
    std::string m_pickerStatusLine;
    std::uint64_t m_timer = 0;
    bool m_dismissed = false;
};

/// The integer value of a text: leading blanks and a sign, then digits up to the first other character;
/// 0 without digits. Saturates instead of overflowing.
long long integerValueOfText(const std::string& text);

}  // namespace vantro
