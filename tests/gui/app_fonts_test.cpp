// SPDX-License-Identifier: MIT
// Fonts come from the system by family name where Debian's font files are not at their paths; the
// charts' face only once a chart asks for it.
#include "gui/app_fonts.h"
#include "gui/qt_canvas.h"

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
        // A copy elsewhere is a file of its own: it is added, once however often install runs. The charts'
        // condensed face waits until a chart first asks for it.
        QTemporaryDir pinned;
        QVERIFY(QDir(pinned.path()).mkpath(QStringLiteral("dejavu")));
        QStringList copies;
        for (const char* name : {"DejaVuSans-Bold.ttf", "DejaVuSansCondensed-Bold.ttf"}) {
            copies << pinned.filePath(QStringLiteral("dejavu/") + QLatin1String(name));
            QVERIFY2(QFile::copy(system + QStringLiteral("/dejavu/") + QLatin1String(name), copies.last()), name);
        }
        vantro::gui::AppFonts::install(pinned.path());
        vantro::gui::AppFonts::install(pinned.path());
        QCOMPARE(vantro::gui::AppFonts::addedFiles(), QStringList{copies.first()});
        const QFont value = vantro::gui::qtFontFor({"HelveticaNeue-CondensedBold", 40});
        vantro::gui::qtFontFor({"HelveticaNeue-CondensedBold", 20});
        QCOMPARE(vantro::gui::AppFonts::addedFiles(), copies);
        QCOMPARE(QFontInfo(value).family(), QStringLiteral("DejaVu Sans Condensed"));
    }
};

QTEST_MAIN(AppFontsTest)
#include "app_fonts_test.moc"
