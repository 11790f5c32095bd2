// SPDX-License-Identifier: MIT
// The settings tab: the settings table model drawn as a grouped table; rows open pages, toggle, sync, reset.
#include "gui/settings_screen.h"

#include "gui/sync_relay_pages.h"

#include "app/vantro_app_delegate.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/navigation_bar.h"
#include "gui/property_page.h"

#include "platform/setting_keys.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantro::gui {
namespace {
QString q(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

SettingsScreen::SettingsScreen(VantroAppDelegate& app, Companion& companion, MainWindow& window,
                               std::function<void()> stopAlarmSound)
    : m_app(app), m_window(window), m_model(app, companion, std::move(stopAlarmSound)) {
    m_model.viewDidLoad();
    m_model.changed = [this] {
        if (m_table) m_table->refreshVisible();
    };
    m_model.presentAlert = [this](const AlertModel& a) {
        QStringList buttons;
        for (const auto& b : a.buttons()) buttons << q(b);
        showMessageBox(&m_window, q(a.title), q(a.message), buttons, a.cancelButton ? 0 : -1, a.clickedButtonAtIndex,
                       a.destructive);
    };
    chooseBackupFile = [this](bool save) {
        const QString filter = QStringLiteral("JSON (*.json);;CSV (*.csv)");
        const QString title = q(m_app.localized(save ? "gui.export" : "gui.import"));
        const QString folder = backupFolder();
        const QString file =
            save ? QFileDialog::getSaveFileName(&m_window, title,
                                                QDir(folder).filePath(QStringLiteral("vantro-backup.json")), filter)
                 : QFileDialog::getOpenFileName(&m_window, title, folder, filter);
        rememberBackupFolder(file);
        return file;
    };
    m_model.presentPage = [this](std::shared_ptr<PropertiesViewController> page) {
        const auto tr = [this](const char* key) { return q(m_app.localized(key)); };
        PropertyPageView::present(m_window, std::move(page),
                                  {tr("OK"),
                                   tr("Cancel"),
                                   tr("gui.refresh"),
                                   {tr("gui.time.hour"), tr("gui.time.minute"), tr("gui.time.less"),
                                    tr("gui.time.more"), tr("gui.nameSeparator")}});
    };
}

SettingsScreen::~SettingsScreen() {
    m_model.changed = nullptr;
    m_model.presentAlert = nullptr;
    m_model.presentPage = nullptr;
}

QWidget* SettingsScreen::view() {
    if (!m_table) {
        m_table = new TableView;
        m_table->setObjectName(QStringLiteral("settingsTable"));
        m_table->setAccessibleName(title());
        m_table->setGrouped(true);
        m_table->setSource(this);
    }
    return m_table;
}

void SettingsScreen::addBackupButton(NavigationBar* bar) {
    if (!bar) return;
    bar->setRightButton(q(m_app.localized("gui.backup")), [this] {
        const QStringList buttons{q(m_app.localized("Cancel")), q(m_app.localized("gui.export")),
                                  q(m_app.localized("gui.import"))};
        // Export is the answer Return gives: it only writes a new file.
        showMessageBox(
            &m_window, q(m_app.localized("gui.backup")), q(m_app.localized("gui.backup.question")), buttons, 0,
            [this](int answer) {
                if (answer == 1) exportBackup();
                if (answer == 2) importBackup();
            },
            false, 1);
    });
}

QString SettingsScreen::backupFolder() const {
    // The folder of the last backup, while it exists; else the user's documents.
    if (const auto saved = m_app.settings().stringForKey(std::string(kLastBackupFolder))) {
        const QString folder = q(*saved);
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void SettingsScreen::rememberBackupFolder(const QString& file) {
    if (file.isEmpty()) return;
    m_app.settings().setString(std::string(kLastBackupFolder), QFileInfo(file).absolutePath().toStdString());
}

void SettingsScreen::tell(const QString& message) {
    showMessageBox(&m_window, q(m_app.localized("gui.backup")), message, {q(m_app.localized("OK"))}, 0, nullptr);
}

// The catalogs use Qt's numbered placeholders, so a translation can reorder them and cannot break the call.
void SettingsScreen::exportBackup() {
    const QString file = chooseBackupFile ? chooseBackupFile(true) : QString();
    if (file.isEmpty()) return;
    const BackupOutcome done = m_model.exportBackup(file.toStdString());
    tell(done.ok ? q(m_app.localized("gui.exported")).arg(done.records).arg(file)
                 : q(m_app.localized("gui.backup.failed")).arg(q(done.error)));
}

void SettingsScreen::importBackup() {
    const QString file = chooseBackupFile ? chooseBackupFile(false) : QString();
    if (file.isEmpty()) return;
    const BackupOutcome done = m_model.importBackup(file.toStdString());
    const auto& c = done.counts;
    tell(done.ok ? q(m_app.localized("gui.imported"))
                       .arg(done.records)
                       .arg(c.daysAdded)
                       .arg(c.nightsAdded)
                       .arg(c.daysUpdated)
                       .arg(c.nightsUpdated)
                 : q(m_app.localized("gui.backup.failed")).arg(q(done.error)));
}

QString SettingsScreen::title() const {
    return q(m_model.title());
}

void SettingsScreen::setAddOns(AutoSync& autoSync, NotificationRelay& relay) {
    m_autoSyncPage = std::make_unique<AutoSyncPage>(m_app, autoSync);
    m_relayPage = std::make_unique<RelayPage>(m_app, relay);
    m_shownLastSync = q(m_autoSyncPage->lastSync());
    if (m_table) m_table->reloadData();
}

void SettingsScreen::companionChanged() {
    if (!m_autoSyncPage || !m_table) return;
    const QString last = q(m_autoSyncPage->lastSync());
    if (last == m_shownLastSync) return;
    // Section headers are laid out with the rows: a new text needs a new layout.
    m_shownLastSync = last;
    m_table->reloadData();
}

int SettingsScreen::sectionCount() const {
    return m_model.numberOfSections() + (m_autoSyncPage ? 1 : 0);
}
int SettingsScreen::rowCount(int section) const {
    if (isOwnSection(section)) return 2;
    return m_model.numberOfRowsInSection(section);
}
QString SettingsScreen::headerTitle(int section) const {
    if (isOwnSection(section)) return q(m_autoSyncPage->lastSync());
    return q(m_model.titleForHeaderInSection(section));
}
double SettingsScreen::rowHeight(int section, int row) const {
    if (isOwnSection(section)) return m_model.heightForRowAtIndexPath({0, 0});
    return m_model.heightForRowAtIndexPath({section, row});
}

TableRow SettingsScreen::row(int section, int row) {
    if (isOwnSection(section)) {
        TableRow t;
        t.caption = q(row == 0 ? m_autoSyncPage->title() : m_relayPage->title());
        t.detail = q(row == 0 ? m_autoSyncPage->summary() : m_relayPage->summary());
        t.accessory = Accessory::Disclosure;
        return t;
    }
    const SettingsRow r = m_model.visibleRow({section, row});
    TableRow t;
    t.caption = q(r.caption);
    t.detail = q(r.detail);
    t.image = r.image;
    t.accessory = r.disclosure ? Accessory::Disclosure : Accessory::None;
    return t;
}

void SettingsScreen::didSelect(int section, int row) {
    if (isOwnSection(section)) {
        auto refresh = [table = m_table] {
            if (table) table->refreshVisible();
        };
        if (row == 0) {
            showAutoSyncPage(m_window, *m_autoSyncPage, q(m_app.localized("OK")), refresh);
        } else {
            showRelayPage(m_window, *m_relayPage, q(m_app.localized("OK")), refresh);
        }
        return;
    }
    m_model.didSelectRowAtIndexPath({section, row});
}

void SettingsScreen::visibleRowsChanged(const std::set<RowPath>& rows) {
    std::set<IndexPath> paths;
    for (const auto& [s, r] : rows) {
        if (!isOwnSection(s)) paths.insert({s, r});
    }
    m_model.setVisibleRows(paths);
}

QStringList SettingsScreen::sectionIndexTitles() const {
    QStringList titles;
    for (const auto& t : m_model.sectionIndexTitles()) titles << q(t);
    if (m_autoSyncPage) titles << q(m_autoSyncPage->title());
    return indexLetters(titles);
}

QStringList SettingsScreen::indexLetters(const QStringList& titles) {
    // The index beside the table shows one letter per section, as a phone's index does; two sections
    // that begin alike ("Wristband", "Wristband settings") would show the same letter, so a later
    // section takes the initial of another of its words, or failing that another of its letters.
    QStringList letters;
    for (const QString& title : titles) {
        QStringList candidates;
        for (const QString& word : title.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            candidates << word.left(1).toUpper();
        for (const QChar c : title)
            if (c.isLetterOrNumber()) candidates << QString(c).toUpper();
        QString chosen = candidates.isEmpty() ? QString() : candidates.front();
        for (const QString& c : candidates)
            if (!letters.contains(c)) {
                chosen = c;
                break;
            }
        letters << chosen;
    }
    return letters;
}

}  // namespace vantro::gui
