// SPDX-License-Identifier: MIT
// Other applications as the desktop shows them: the name and icon of their desktop entries.
#include "gui/desktop_entries.h"

#include "platform/atomic_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace vantro::gui {
namespace {

/// A desktop entry's value with its escapes (\s, \n, \t, \r, \\) undone.
QString unescape(const QString& value) {
    QString out;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar c = value[++i];
        out += c == QLatin1Char('s')   ? QStringLiteral(" ")
               : c == QLatin1Char('n') ? QStringLiteral("\n")
               : c == QLatin1Char('t') ? QStringLiteral("\t")
               : c == QLatin1Char('r') ? QStringLiteral("\r")
                                       : QString(c);
    }
    return out;
}

/// A usable desktop-file id: no path separators, nothing that climbs out of the folder.
bool plainId(const QString& id) {
    return !id.isEmpty() && !id.contains(QLatin1Char('/')) && !id.startsWith(QLatin1Char('.')) && id.size() <= 255;
}

}  // namespace

DesktopEntries::DesktopEntries(QStringList dataDirs, QString language) : m_dataDirs(std::move(dataDirs)) {
    if (m_dataDirs.isEmpty()) m_dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    if (language.isEmpty()) language = qEnvironmentVariable("LANGUAGE").section(QLatin1Char(':'), 0, 0);
    language = language.section(QLatin1Char('.'), 0, 0);  // "zh_CN.UTF-8" is read as "zh_CN"
    if (!language.isEmpty()) m_nameKeys << QStringLiteral("Name[%1]").arg(language);
    if (language.contains(QLatin1Char('_')))
        m_nameKeys << QStringLiteral("Name[%1]").arg(language.section(QLatin1Char('_'), 0, 0));
    m_nameKeys << QStringLiteral("Name");
}

bool DesktopEntries::refresh() {
    QList<qint64> stamps;
    for (const QString& dir : m_dataDirs) {
        const QFileInfo folder(QDir(dir).filePath(QStringLiteral("applications")));
        stamps << (folder.isDir() ? folder.lastModified().toMSecsSinceEpoch() : -1);
    }
    if (stamps == m_stamps) return false;
    const bool first = m_stamps.isEmpty() && m_cache.isEmpty();
    m_stamps = stamps;
    m_cache.clear();
    return !first;
}

DesktopApp DesktopEntries::find(const QString& id) {
    if (m_stamps.isEmpty()) refresh();  // the folders as they are at the first look
    auto it = m_cache.find(id);
    if (it == m_cache.end()) it = m_cache.insert(id, read(id));
    return *it;
}

DesktopApp DesktopEntries::read(const QString& id) const {
    DesktopApp app{id, {}, false};
    if (!plainId(id)) return app;
    // An app that gives only its name ("Chatty") may have its entry in lower case ("chatty.desktop").
    for (const QString& candidate : {id, id.toLower()}) {
        for (const QString& dir : m_dataDirs) {
            const QString path =
                QDir(dir).filePath(QStringLiteral("applications/") + candidate + QStringLiteral(".desktop"));
            // Only a regular file of a sane size: a FIFO would block the companion, /dev/zero fill its memory.
            std::string error;
            const auto bytes = readWholeFile(path.toStdString(), error);
            if (!bytes) continue;
            QString text = QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size()));
            QHash<QString, QString> values;
            bool inEntry = false;
            QTextStream in(&text, QIODevice::ReadOnly);
            for (int lines = 0; !in.atEnd() && lines < 2000; ++lines) {
                const QString line = in.readLine().trimmed();
                if (line.startsWith(QLatin1Char('['))) {
                    inEntry = line == QStringLiteral("[Desktop Entry]");
                    continue;
                }
                const int eq = line.indexOf(QLatin1Char('='));
                if (!inEntry || eq <= 0 || line.startsWith(QLatin1Char('#'))) continue;
                values.insert(line.left(eq).trimmed(), unescape(line.mid(eq + 1).trimmed()));
            }
            for (const QString& key : m_nameKeys) {
                if (!values.value(key).isEmpty()) {
                    app.name = values.value(key);
                    break;
                }
            }
            app.icon = iconFor(values.value(QStringLiteral("Icon")));
            app.found = true;
            return app;
        }
    }
    return app;
}

QIcon DesktopEntries::iconFor(const QString& icon) const {
    if (icon.isEmpty()) return {};
    if (QFileInfo(icon).isAbsolute()) return QFileInfo::exists(icon) ? QIcon(icon) : QIcon();
    // The theme first; then the files a theme would have found, for desktops without a theme engine.
    if (QIcon themed = QIcon::fromTheme(icon); !themed.isNull()) return themed;
    const QStringList places{
        QStringLiteral("icons/hicolor/scalable/apps/"), QStringLiteral("icons/hicolor/64x64/apps/"),
        QStringLiteral("icons/hicolor/48x48/apps/"),    QStringLiteral("icons/hicolor/128x128/apps/"),
        QStringLiteral("icons/hicolor/32x32/apps/"),    QStringLiteral("pixmaps/")};
    for (const QString& dir : m_dataDirs)
        for (const QString& place : places)
            for (const char* suffix : {".svg", ".png"}) {
                const QString path = QDir(dir).filePath(place + icon + QLatin1String(suffix));
                if (QFileInfo::exists(path)) return QIcon(path);
            }
    return {};
}

}  // namespace vantro::gui
