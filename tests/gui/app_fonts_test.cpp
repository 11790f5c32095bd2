// SPDX-License-Identifier: MIT
// Fonts come from the system by family name where Debian's font files are not at their paths.
#include "gui/app_fonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTest>

class AppFontsTest : public QObject {
    Q_OBJECT
private slots:
    void familiesAreFoundWithoutThePinnedFiles() {
        QTemporaryDir elsewhere;
        QCOMPARE(vantro::gui::AppFonts::install(elsewhere.path()), QStringList());
        QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("DejaVu Sans"));
    }

    void onlyFilesTheSystemDoesNotServeAreAddedAndEachOnce() {
        // The installed packages are served already: adding them would only cost start-up time.
        const QString system = QStringLiteral("/usr/share/fonts/truetype");
        QVERIFY2(QFile::exists(system + QStringLiteral("/dejavu/DejaVuSans.ttf")), "fonts-dejavu-core is needed");
        QCOMPARE(vantro::gui::AppFonts::install(system), QStringList());
        QCOMPARE(vantro::gui::AppFonts::addedFiles(), QStringList());
        // A copy elsewhere is a file of its own: it is added, once however often install runs.
        QTemporaryDir pinned;
        QVERIFY(QDir(pinned.path()).mkpath(QStringLiteral("dejavu")));
        const QString copy = pinned.filePath(QStringLiteral("dejavu/DejaVuSans-Bold.ttf"));
        QVERIFY(QFile::copy(system + QStringLiteral("/dejavu/DejaVuSans-Bold.ttf"), copy));
        vantro::gui::AppFonts::install(pinned.path());
        vantro::gui::AppFonts::install(pinned.path());
        QCOMPARE(vantro::gui::AppFonts::addedFiles(), QStringList{copy});
    }
};

QTEST_MAIN(AppFontsTest)
#include "app_fonts_test.moc"
