// SPDX-License-Identifier: MIT
// The drawing port on QPainter: pixels where the core's geometry says, clips, alpha, gradients, fonts; and
// the view host, which draws the tree, routes the mouse as one finger and repaints while animations run.
#include "gui/qt_canvas.h"

#include "charts/chart_value_view.h"
#include "charts/label.h"
#include "charts/ui_context.h"
#include "gui/app_fonts.h"
#include "gui/view_host.h"
#include "platform/manual_run_loop.h"
#include "qt/qt_run_loop.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace vantro;
using vantro::gui::QtCanvas;
using vantro::gui::ViewHost;

namespace {

template <typename Draw>
QImage paint(Draw draw, int w = 100, int h = 100) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    {
        QtCanvas canvas(p);
        draw(canvas);
    }
    return img;
}

int alphaAt(const QImage& img, int x, int y) {
    return qAlpha(img.pixel(x, y));
}

class RecordingView : public View {
public:
    using View::View;
    void touchesBegan(const std::vector<Touch>& t) override { events.push_back(tag("began", t)); }
    void touchesMoved(const std::vector<Touch>& t) override { events.push_back(tag("moved", t)); }
    void touchesEnded(const std::vector<Touch>& t) override { events.push_back(tag("ended", t)); }
    std::string tag(const char* what, const std::vector<Touch>& t) const {
        const Point p = t.front().locationInView(*this);
        return std::string(what) + " " + std::to_string(static_cast<int>(p.x)) + "," +
               std::to_string(static_cast<int>(p.y));
    }
    std::vector<std::string> events;
};

}  // namespace

class QtCanvasTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { gui::AppFonts::install(); }

    void arcsFillWhereThePathContainsThePoint_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<bool>("clockwise");
        const double pi = std::numbers::pi;
        QTest::newRow("quarter towards +y") << 0.0 << pi / 2 << false;
        QTest::newRow("quarter clockwise") << 0.0 << -pi / 2 << true;
        QTest::newRow("wrapping 270 degrees") << pi / 2 << 0.0 << false;
        QTest::newRow("pie slice from the top") << -pi / 2 << pi / 6 << false;
    }
    void arcsFillWhereThePathContainsThePoint() {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(bool, clockwise);
        // A ring segment like a pie slice: outer arc one way, inner arc back.
        Path slice;
        slice.arc({50, 50}, 40, start, end, clockwise);
        slice.arc({50, 50}, 15, end, start, !clockwise);
        slice.closeSubpath();
        const QImage img = paint([&](Canvas& c) { c.fillPath(slice, Color::black()); });
        int checked = 0;
        for (int y = 2; y < 100; y += 4) {
            for (int x = 2; x < 100; x += 4) {
                const Point p{x + 0.5, y + 0.5};
                // Skip pixels on the edge, where antialiasing blends.
                bool edge = false;
                for (double dx : {-1.5, 1.5})
                    for (double dy : {-1.5, 1.5}) edge |= slice.contains({p.x + dx, p.y + dy}) != slice.contains(p);
                if (edge) continue;
                const bool inside = slice.contains(p);
                QVERIFY2(
                    (alphaAt(img, x, y) > 200) == inside,
                    qPrintable(QStringLiteral("pixel %1,%2 should be %3").arg(x).arg(y).arg(inside ? "set" : "clear")));
                ++checked;
            }
        }
        QVERIFY(checked > 400);
    }

    void clipAlphaAndStateStack() {
        const QImage img = paint([](Canvas& c) {
            c.save();
            c.clipToRect({10, 10, 30, 30});
            c.fillRect({0, 0, 100, 100}, Color::black());
            c.restore();
            c.restore();  // unbalanced: ignored
            c.save();
            c.setAlpha(0.5);
            c.fillRect({60, 60, 20, 20}, Color::black());
            c.restore();
            c.fillRect({60, 0, 20, 20}, Color::black());  // alpha back to 1
        });
        QCOMPARE(alphaAt(img, 20, 20), 255);
        QCOMPARE(alphaAt(img, 5, 5), 0);
        QCOMPARE(alphaAt(img, 45, 20), 0);
        QVERIFY(std::abs(alphaAt(img, 70, 70) - 128) <= 2);
        QCOMPARE(alphaAt(img, 70, 10), 255);
    }

    void gradientFillsTheClipFromOpaqueToClear() {
        // The selection band: opaque at the bottom, transparent at the top.
        const QImage img = paint([](Canvas& c) {
            c.clipToRect({20, 0, 40, 100});
            c.drawLinearGradient({40, 100}, {40, 0}, {{0, Color::white()}, {1, Color::white().withAlpha(0)}});
        });
        QVERIFY(alphaAt(img, 40, 97) > 240);
        QVERIFY(alphaAt(img, 40, 2) < 15);
        QVERIFY(alphaAt(img, 40, 50) > 100 && alphaAt(img, 40, 50) < 155);
        QCOMPARE(alphaAt(img, 10, 97), 0);  // outside the clip
    }

    void transformsMoveWhatIsDrawn() {
        const QImage img = paint([](Canvas& c) {
            c.translate(50, 50);
            c.rotate(std::numbers::pi / 2);  // +x now points down the screen
            c.fillRect({10, -2, 20, 4}, Color::black());
        });
        QCOMPARE(alphaAt(img, 50, 70), 255);
        QCOMPARE(alphaAt(img, 70, 50), 0);
    }

    void textUsesThePinnedFacesAndMeasuresAsDrawn() {
        const QFont bold = gui::qtFontFor({"HelveticaNeue-Bold", 24});
        QCOMPARE(bold.weight(), QFont::Bold);
        QCOMPARE(bold.families().contains(QStringLiteral("DejaVu Sans")), true);
        QCOMPARE(bold.pixelSize(), 24);
        QCOMPARE(gui::qtFontFor({"HelveticaNeue-Light", 14}).weight(), QFont::Normal);
        QCOMPARE(gui::qtFontFor({"HelveticaNeue", 20}).weight(), QFont::Normal);

        const Font font{"HelveticaNeue", 20};
        const Size size = gui::QtTextMeasurer().measureText("12345", font);
        QVERIFY(size.width > 40 && size.width < 80);
        QVERIFY(size.height >= 20 && size.height < 30);
        // Right-aligned text ends at the rectangle's right edge.
        const QImage img = paint(
            [&](Canvas& c) {
                c.drawText("12345", {0, 10, 190, 30}, font, Color::black(), TextAlignment::Right);
            },
            200, 50);
        int rightmost = -1, leftmost = 200;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 50; ++y)
                if (alphaAt(img, x, y) > 60) {
                    rightmost = std::max(rightmost, x);
                    leftmost = std::min(leftmost, x);
                }
        QVERIFY2(rightmost <= 190 && rightmost >= 180, qPrintable(QString::number(rightmost)));
        QVERIFY(190 - leftmost <= size.width + 2);
    }

    void textShadowIsDrawnUnderTheText() {
        const QImage img = paint([](Canvas& c) {
            c.setShadow(Shadow{{0, 3}, 0, Color::black()});
            c.drawText("I", {10, 10, 50, 30}, {"HelveticaNeue-Bold", 24}, Color::white(), TextAlignment::Left);
        });
        bool white = false, black = false;
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 100; ++y) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) == 255 && qRed(p) > 240) white = true;
                if (qAlpha(p) == 255 && qRed(p) < 15) black = true;
            }
        QVERIFY(white);
        QVERIFY(black);
    }

    void valueAndUnitShareABaselineWithTheShippedFaces() {
        // Found in the pixels: the lowest row each label inks, for texts without descenders, both long
        // enough to be shrunk to their half of the panel as on a phone.
        ManualRunLoop loop;
        gui::QtTextMeasurer text;
        UiContext ui(loop, text);
        const auto lowestInk = [](Label& label) {
            const Rect f = label.frame();
            const QImage img = paint(
                [&](Canvas& c) {
                    c.translate(0, f.y);
                    label.drawRect(c, {0, 0, f.width, f.height});
                },
                static_cast<int>(f.width), 300);
            for (int y = img.height() - 1; y >= 0; --y)
                for (int x = 0; x < img.width(); ++x)
                    if (qAlpha(img.pixel(x, y)) > 128) return y;
            return -1;
        };
        for (const char* value : {"12345", "8"}) {
            for (const char* unit : {"kilometres", "km"}) {
                ChartValueView view(ui, {0, 0, 300, 130});
                view.valueLabel()->setText(value);
                view.unitLabel()->setText(unit);
                view.layoutSubviews();
                const int v = lowestInk(*view.valueLabel()), u = lowestInk(*view.unitLabel());
                QVERIFY(v > 0);
                QVERIFY2(std::abs(v - u) <= 1,
                         qPrintable(QStringLiteral("%1 %2: %3 %4").arg(value, unit).arg(v).arg(u)));
            }
        }
    }

    void drawsTheTreeAndRoutesTheMouseToTheViewItBeganOn() {
        qt::QtRunLoop loop;
        gui::QtTextMeasurer text;
        UiContext ui(loop, text);
        auto root = std::make_shared<View>(ui);
        root->setBackgroundColor(Color::white());
        auto target = std::make_shared<RecordingView>(ui, Rect{20, 30, 100, 50});
        target->setBackgroundColor(Color::rgb255(8, 188, 239));
        root->addSubview(target);
        ViewHost host(ui, root);
        host.resize(200, 200);
        host.show();
        QCOMPARE(root->frame(), (Rect{0, 0, 200, 200}));

        const QImage img = host.grab().toImage();
        QCOMPARE(QColor(img.pixel(50, 50)), QColor(8, 188, 239));
        QCOMPARE(QColor(img.pixel(5, 5)), QColor(Qt::white));

        QTest::mousePress(&host, Qt::LeftButton, {}, QPoint(30, 40));
        QMouseEvent move(QEvent::MouseMove, QPointF(150, 150), host.mapToGlobal(QPointF(150, 150)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&host, &move);
        QTest::mouseRelease(&host, Qt::LeftButton, {}, QPoint(150, 150));
        // Moves and the end follow the finger outside the view, in its coordinates.
        QCOMPARE(target->events, (std::vector<std::string>{"began 10,10", "moved 130,120", "ended 130,120"}));

        // A press outside any interactive subview reaches the root only.
        target->events.clear();
        QTest::mouseClick(&host, Qt::LeftButton, {}, QPoint(180, 10));
        QVERIFY(target->events.empty());
    }

    void animationFramesRepaintUntilTheAnimationEnds() {
        qt::QtRunLoop loop;
        gui::QtTextMeasurer text;
        UiContext ui(loop, text);
        auto root = std::make_shared<View>(ui);
        root->setBackgroundColor(Color::white());
        auto box = std::make_shared<View>(ui, Rect{0, 0, 20, 20});
        box->setBackgroundColor(Color::black());
        root->addSubview(box);
        ViewHost host(ui, root);
        host.resize(200, 100);
        host.show();
        bool done = false;
        ui.animator().animate(
            {1.0},
            [&] {
                box->setFrame({180, 0, 20, 20});
            },
            [&](bool finished) { done = finished; });
        QTest::qWait(300);
        const QImage mid = host.grab().toImage();
        // Halfway the box is neither at its start nor at its end.
        QCOMPARE(QColor(mid.pixel(5, 5)), QColor(Qt::white));
        QCOMPARE(QColor(mid.pixel(190, 5)), QColor(Qt::white));
        QTRY_VERIFY(done);
        QCOMPARE(QColor(host.grab().toImage().pixel(190, 5)), QColor(Qt::black));
        QVERIFY(!ui.animator().isTicking());
    }
};

QTEST_MAIN(QtCanvasTest)
#include "qt_canvas_test.moc"
