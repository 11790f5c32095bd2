// SPDX-License-Identifier: MIT
// The settings tab: the settings table model drawn as a grouped table; rows open pages, toggle, sync, reset.
#pragma once

#include "gui/screen.h"
#include "gui/table_view.h"
#include "link/relay_page.h"
#include "settings/auto_sync_page.h"
#include "settings/settings_view_controller.h"

#include <QPointer>

#include <memory>

namespace vantro::bluez {}

namespace vantro::gui {

class MainWindow;
class NavigationBar;

/// Shell of SettingsViewController: draws its rows, forwards taps, shows its alerts and pages.
class SettingsScreen : public Screen, public TableSource {
public:
    /// `stopAlarmSound` is what switching find-me off calls.
    SettingsScreen(VantroAppDelegate& app, Companion& companion, MainWindow& window,
                   std::function<void()> stopAlarmSound);
    ~SettingsScreen() override;

    QWidget* view() override;
    QString title() const override;

    int sectionCount() const override;
    int rowCount(int section) const override;
    QString headerTitle(int section) const override;
    double rowHeight(int section, int row) const override;
    TableRow row(int section, int row) override;
    void didSelect(int section, int row) override;
    void visibleRowsChanged(const std::set<RowPath>& rows) override;
    QStringList sectionIndexTitles() const override;
    /// One distinct letter per section title where the titles allow it.
    static QStringList indexLetters(const QStringList& titles);

    /// Puts the backup button in `bar`: it offers Export and Import of every stored day and night.
    void addBackupButton(NavigationBar* bar);
    /// Adds a last section with "Sync automatically" and "Relay notifications"; both outlive this.
    void setAddOns(AutoSync& autoSync, NotificationRelay& relay);
    /// What the companion knows changed: the header above "Sync automatically" follows the last sync.
    void companionChanged();
    void exportBackup();
    void importBackup();
    /// Asks for the backup file (to write when `save`); empty when cancelled. A file dialog by default.
    std::function<QString(bool save)> chooseBackupFile;
    /// Where the file dialogs start: the folder of the last backup file, or the documents folder.
    QString backupFolder() const;
    /// Keeps the folder of a chosen file for the next dialog (nothing for an empty name).
    void rememberBackupFolder(const QString& file);

    SettingsViewController& model() { return m_model; }
    TableView* table() const { return m_table; }

private:
    void tell(const QString& message);
    /// The section after the settings table's own, when there is one.
    bool isOwnSection(int section) const { return m_autoSyncPage && section == m_model.numberOfSections(); }

    VantroAppDelegate& m_app;
    MainWindow& m_window;
    SettingsViewController m_model;
    QPointer<TableView> m_table;
    std::unique_ptr<AutoSyncPage> m_autoSyncPage;
    std::unique_ptr<RelayPage> m_relayPage;
    QString m_shownLastSync;
};

}  // namespace vantro::gui
