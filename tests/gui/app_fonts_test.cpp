// SPDX-License-Identifier: MIT
// Fonts come from the system by family name where Debian's font files are not at their paths.
#include "gui/app_fonts.h"

#include <QApplication>
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
};

QTEST_MAIN(AppFontsTest)
#include "app_fonts_test.moc"
