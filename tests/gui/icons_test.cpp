// SPDX-License-Identifier: MIT
// Every image name the screens use has an icon of ours, drawn at the screens' sizes from pixels rendered
// when the app was built; unknown names have none.
#include "gui/icons.h"

#include "screens/today_screen.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

using vantro::gui::Icons;

namespace {
/// Whether this process has loaded the SVG renderer (a process never unloads it).
bool svgLibraryLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Svg");
}
}  // namespace

class IconsTest : public QObject {
    Q_OBJECT
private slots:
    // Runs first: the SVG renderer, once loaded, stays for the rest of the process.
    void theSizesTheScreensDrawNeedNoSvgRenderer() {
        for (const auto& name : Icons::imageNames()) {
            for (const int points : {33, 35}) {
                const QPixmap pm = Icons::pixmap(name, points, 2.0);
                QCOMPARE(pm.size(), QSize(points * 2, points * 2));
                QCOMPARE(qAlpha(pm.toImage().pixel(points, points)), 255);
            }
        }
        for (const char* tab : {"today", "history", "sleep", "settings"}) {
            QVERIFY(!Icons::tabPixmap(QString::fromLatin1(tab), Qt::black, 26, 2.0).isNull());
            QVERIFY(!Icons::tabPixmap(QString::fromLatin1(tab), Qt::black, 30, 3.0).isNull());
        }
        QVERIFY(!Icons::appIcon().pixmap(32, 32).isNull());
        QVERIFY(!svgLibraryLoaded());
    }

    // What was rendered when the app was built is the very picture the SVG gives at that size.
    void preRenderedPixelsMatchTheSvg() {
        for (const auto& name : Icons::imageNames()) {
            const QImage built = Icons::pixmap(name, 35, 2.0).toImage();
            QImageReader reader(Icons::resourceFor(name));
            reader.setScaledSize(QSize(70, 70));
            const QImage svg = reader.read();
            QVERIFY2(!svg.isNull(), qPrintable(reader.errorString()));
            QVERIFY2(built.convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                         svg.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     name.c_str());
        }
    }

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
