// SPDX-License-Identifier: MIT
// Other applications as the desktop shows them: the name and icon of their desktop entries.
#pragma once

#include <QHash>
#include <QList>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace vantro::gui {

/// An application's name and icon as its desktop entry gives them.
struct DesktopApp {
    QString name;  // the identifier itself when no entry names it
    QIcon icon;    // null when there is none
    bool found = false;
};

/// Finds `<id>.desktop` under `applications/` of the XDG data directories (the first one that has it
/// wins, as on the desktop) and reads its Name (in the user's language when it has one) and Icon.
/// Each id is read once, until `refresh` finds the folders changed.
class DesktopEntries {
public:
    /// `dataDirs` empty: $XDG_DATA_HOME and $XDG_DATA_DIRS. `language` empty: $LANGUAGE, else "en".
    explicit DesktopEntries(QStringList dataDirs = {}, QString language = {});
    DesktopApp find(const QString& id);
    /// Forgets what was read when an applications/ folder has changed since it was read (an entry
    /// installed or removed, the folder made); true then. A few stats: cheap enough to call each second.
    bool refresh();

private:
    DesktopApp read(const QString& id) const;
    QIcon iconFor(const QString& icon) const;

    QStringList m_dataDirs;
    QStringList m_nameKeys;  // Name[zh_CN], Name[zh], Name
    QHash<QString, DesktopApp> m_cache;
    QList<qint64> m_stamps;  // per data folder: its applications/ folder's change time, -1 when missing
};

}  // namespace vantro::gui
