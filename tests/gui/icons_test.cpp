// SPDX-License-Identifier: MIT
// Every image name the screens use has an icon of ours; unknown names have none.
#include "gui/icons.h"

#include "screens/today_screen.h"

#include <QImage>
#include <QTest>

using vantro::gui::Icons;

class IconsTest : public QObject {
    Q_OBJECT
private slots:
    void everyImageNameRendersSharp() {
        for (const auto& name : Icons::imageNames()) {
            QVERIFY2(!Icons::resourceFor(name).isEmpty(), name.c_str());
            const QPixmap pm = Icons::pixmap(name, 32, 2.0);
            QCOMPARE(pm.size(), QSize(64, 64));
            QCOMPARE(pm.devicePixelRatio(), 2.0);
            // A rounded tile: the corner is clear, the middle is painted.
            const QImage img = pm.toImage();
            QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(img.pixel(32, 32)), 255);
        }
    }

    void theTodayRowsUseKnownImages() {
        for (const auto& layout : vantro::TodayScreen::rowLayouts()) {
            const std::string image(layout.image);
            QVERIFY2(!Icons::resourceFor(image).isEmpty(), image.c_str());
        }
    }

    void tabIconsTakeTheTint() {
        const QImage img = Icons::tabPixmap(QStringLiteral("settings"), QColor(0, 122, 255), 30, 2.0).toImage();
        QVERIFY(!img.isNull());
        bool tinted = false;
        for (int y = 0; y < img.height() && !tinted; ++y)
            for (int x = 0; x < img.width() && !tinted; ++x)
                tinted = qAlpha(img.pixel(x, y)) == 255 && QColor(img.pixel(x, y)) == QColor(0, 122, 255);
        QVERIFY(tinted);
    }

    void unknownOrUnsafeNamesHaveNoIcon() {
        QVERIFY(Icons::resourceFor("no_such_icon.png").isEmpty());
        QVERIFY(Icons::resourceFor("").isEmpty());
        QVERIFY(Icons::resourceFor("../icons/findme.png").isEmpty());
        QVERIFY(Icons::pixmap("no_such_icon.png", 32, 1.0).isNull());
        QVERIFY(Icons::tabPixmap(QStringLiteral("nowhere"), Qt::black, 30, 1.0).isNull());
    }
};

QTEST_MAIN(IconsTest)
#include "icons_test.moc"
