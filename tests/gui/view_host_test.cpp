// SPDX-License-Identifier: MIT
// The view host: draws the tree, routes the mouse as one finger, repaints while animations run.
#include "gui/view_host.h"

#include "charts/view.h"
#include "gui/qt_canvas.h"
#include "qt/qt_run_loop.h"

#include <QTest>

using namespace vantro;
using vantro::gui::ViewHost;

namespace {

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

class ViewHostTest : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(ViewHostTest)
#include "view_host_test.moc"
