// SPDX-License-Identifier: MIT
// The settings screen as a table model: rows with caption, detail, image and action; toggles, sync, reset.
#pragma once

#include "app/companion.h"
#include "settings/alert_model.h"
#include "store/records_backup.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

class VantroAppDelegate;
class PropertiesViewController;

/// What selecting a row does.
enum class SettingsAction {
    None,
    OpenPage,
    ToggleTelephoneAlert,
    ToggleMessageAlert,
    ToggleFindMe,
    Sync,
    FactoryReset
};

/// One row as the shell draws it.
struct SettingsRow {
    std::string caption;  // localised
    std::string detail;
    std::string image;  // e.g. "bluetooth.png"
    bool disclosure = false;
    SettingsAction action = SettingsAction::None;
    std::string pageKey;  // for OpenPage
};

/// Controller of the settings table; owns the greeting lists and the sync, opens the property pages.
class SettingsViewController {
public:
    /// `stopAlarmSound` stops a sounding out-of-range alarm when find-me is switched off.
    /// Syncs, switches find-me and resets through `companion`.
    SettingsViewController(VantroAppDelegate& app, Companion& companion, std::function<void()> stopAlarmSound);
    ~SettingsViewController();

    /// Lists, title, the 1-second status refresh, the settings defaults, the sync guard.
    void viewDidLoad();

    std::string title() const { return m_title; }
    int numberOfSections() const;
    int numberOfRowsInSection(int section) const;
    std::string titleForHeaderInSection(int section) const;
    /// The section index shown beside the table.
    std::vector<std::string> sectionIndexTitles() const;
    /// 66 points on a phone, 80 on a tablet.
    double heightForRowAtIndexPath(IndexPath path) const;

    /// Builds a row fresh from the store; the shell calls it when a row's cell is made (comes on screen).
    SettingsRow cellForRowAtIndexPath(IndexPath path);
    /// The row as it is on screen now (after timer refreshes); built fresh when not on screen.
    SettingsRow visibleRow(IndexPath path);
    /// The shell says which rows are on screen; cells leaving the screen forget their texts.
    void setVisibleRows(const std::set<IndexPath>& rows);
    void didSelectRowAtIndexPath(IndexPath path);

    /// Every second: the two status rows, when on screen, show the link and transfer status texts.
    void updateData();
    /// Rebuilds every visible row from the store and tells the shell.
    void reloadData();

    /// The Backup button: every stored record to `path` (CSV for a ".csv" name, JSON otherwise), and
    /// back. The app's import only fills in what was never stored; replacing stored values is left to
    /// vantro-cli import --overwrite.
    BackupOutcome exportBackup(const std::string& path);
    BackupOutcome importBackup(const std::string& path);

    /// The factory-reset question's answer: 1 = "OK", 0 = "Cancel".
    void alertViewClickedButtonAtIndex(int buttonIndex);

    VantroAppDelegate& appDelegate() const { return m_app; }
    std::string strDataExchange;
    std::vector<std::string> PresentArray;
    std::vector<std::string> WishArray;

    // Hooks the shell sets.
    std::function<void(const AlertModel&)> presentAlert;
    std::function<void(std::shared_ptr<PropertiesViewController>)> presentPage;
    /// Visible rows changed (reload, toggle, timer refresh): the shell redraws.
    std::function<void()> changed;

private:
    void openPage(const std::string& key);
    void toggle01(std::string_view key);
    void toggleFindMe();
    void syncRow();
    std::string onOff(bool on) const;

    VantroAppDelegate& m_app;
    Companion& m_companion;
    std::function<void()> m_stopAlarmSound;
    std::string m_title;
    std::map<IndexPath, SettingsRow> m_visible;
    std::uint64_t m_timer = 0;
};

}  // namespace vantro
