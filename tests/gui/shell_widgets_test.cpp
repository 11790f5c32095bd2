// SPDX-License-Identifier: MIT
// The shell's widgets on their own: the row table (taps select, drags scroll, rows on screen are reported,
// a pull past the top refreshes), the main window (tab switching with appearance callbacks, modal pages) and
// the today tab's header line (why Bluetooth cannot be used, else when the band was last synced).
#include "gui/main_window.h"
#include "gui/navigation_bar.h"
#include "gui/screen.h"
#include "gui/tab_bar.h"
#include "gui/table_view.h"
#include "gui/today_screen_view.h"
#include "platform/manual_run_loop.h"
#include "session/session.h"
#include "sim/simulated_band_source.h"

#include "fake_ble.h"

#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vantro;
using namespace vantro::gui;

namespace {

class FakeSource : public TableSource {
public:
    int sectionCount() const override { return 2; }
    int rowCount(int s) const override { return s == 0 ? 3 : 20; }
    QString headerTitle(int s) const override { return s == 0 ? QStringLiteral("First") : QString(); }
    double rowHeight(int s, int) const override { return s == 0 ? 50 : 66; }
    TableRow row(int s, int r) override {
        ++rowsBuilt;
        return {QStringLiteral("Row %1.%2").arg(s).arg(r), QStringLiteral("detail"), s == 0 ? "bluetooth.png" : "",
                s == 0 ? Accessory::Disclosure : Accessory::None, CellStyle::Value1};
    }
    void didSelect(int s, int r) override { selected.push_back({s, r}); }
    void visibleRowsChanged(const std::set<RowPath>& rows) override { visible = rows; }
    QStringList sectionIndexTitles() const override { return index; }

    std::vector<RowPath> selected;
    std::set<RowPath> visible;
    QStringList index;
    int rowsBuilt = 0;
};

void send(QWidget* w, QEvent::Type type, QPointF pos) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPointF from, QPointF to, int steps = 10) {
    send(w, QEvent::MouseButtonPress, from);
    for (int i = 1; i <= steps; ++i) send(w, QEvent::MouseMove, from + (to - from) * (double(i) / steps));
    send(w, QEvent::MouseButtonRelease, to);
}

/// A table of 375 points wide over a fresh source.
struct Table {
    explicit Table(int height = 400, bool shown = true, const QStringList& index = {}) {
        source.index = index;
        view.resize(375, height);
        view.setSource(&source);
        if (shown) view.show();
    }
    FakeSource source;
    TableView view;
};

class FakeScreen : public Screen {
public:
    FakeScreen(QString title, std::vector<QString>& events) : m_title(std::move(title)), m_events(events) {}
    QWidget* view() override {
        if (!m_view) m_view = new QWidget;
        return m_view;
    }
    QString title() const override { return m_title; }
    void viewWillAppear() override { m_events.push_back(m_title + " willAppear"); }
    void viewDidAppear() override { m_events.push_back(m_title + " didAppear"); }
    void viewWillDisappear() override { m_events.push_back(m_title + " willDisappear"); }

private:
    QString m_title;
    std::vector<QString>& m_events;
    QPointer<QWidget> m_view;
};

/// The companion on a scripted central, nothing connected.
struct OnScriptedCentral {
    QTemporaryDir dir;
    ManualRunLoop loop;
    NullLog log;
    IdentityLocalizer localizer;
    MemoryKeyValueStore settings;
    std::shared_ptr<testing::FakeCentral> central = std::make_shared<testing::FakeCentral>();
    FixedBandSource source{[this] { return central; }, false};
    Session session{ports(), source};

    SessionPorts ports() {
        SessionPorts p{{loop, log, localizer, settings}};
        p.dataDir = dir.path().toStdString();
        return p;
    }
};

}  // namespace

class ShellWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void layoutPutsHeadersAboveTheirRows() {
        Table t(400, false);
        auto& [source, view] = t;
        const QRectF first = view.rectForRow(0, 0);
        QCOMPARE(first.height(), 50.0);
        QVERIFY(first.top() > 20);  // the header "First" sits above it
        QCOMPARE(view.rectForRow(0, 1).top(), first.bottom());
        QCOMPARE(view.rectForRow(1, 0).height(), 66.0);
        QVERIFY(view.rectForRow(1, 0).top() > view.rectForRow(0, 2).bottom());  // a gap between sections
        QVERIFY(view.rectForRow(2, 0).isNull());
        QVERIFY(view.rectForRow(1, 20).isNull());
    }

    void aTapSelectsTheRowUnderIt() {
        Table t;
        auto& [source, view] = t;
        QSignalSpy tapped(&view, &TableView::rowTapped);
        QTest::mouseClick(&view, Qt::LeftButton, {}, view.rectForRow(0, 1).center().toPoint());
        QCOMPARE(source.selected.size(), size_t(1));
        QCOMPARE(source.selected[0], (RowPath{0, 1}));
        QCOMPARE(tapped.count(), 1);
        // Between sections there is no row.
        const QPointF gap(100, (view.rectForRow(0, 2).bottom() + view.rectForRow(1, 0).top()) / 2);
        QTest::mouseClick(&view, Qt::LeftButton, {}, gap.toPoint());
        QCOMPARE(source.selected.size(), size_t(1));
    }

    void aDragScrollsAndSelectsNothing() {
        Table t;
        auto& [source, view] = t;
        drag(&view, {100, 350}, {100, 150});
        QVERIFY(source.selected.empty());
        QVERIFY(std::abs(view.contentOffset() - 200) < 1);
        // Scrolling never goes past the end.
        view.setContentOffset(1e6);
        QCOMPARE(view.contentOffset(), view.contentHeight() - 400);
    }

    void rowsOnScreenAreReportedAsTheyChange() {
        Table t(400, false);
        auto& [source, view] = t;
        QVERIFY(source.visible.count({0, 0}));
        QVERIFY(!source.visible.count({1, 19}));
        view.scrollToRow(1, 19);
        QVERIFY(source.visible.count({1, 19}));
        QVERIFY(!source.visible.count({0, 0}));
        QCOMPARE(view.visibleRows(), source.visible);
    }

    void pullingPastTheThresholdRefreshesAndSpringsBack() {
        Table t(400, false);
        auto& [source, view] = t;
        view.setRefreshEnabled(true);
        view.setRefreshTitle(QStringLiteral("Pull to refresh"));
        view.show();
        QSignalSpy refresh(&view, &TableView::refreshRequested);

        drag(&view, {100, 50}, {100, 50 + TableView::kRefreshThreshold * 0.5});  // too short
        QCOMPARE(refresh.count(), 0);
        QTRY_COMPARE(view.contentOffset(), 0.0);

        drag(&view, {100, 50}, {100, 300});
        QCOMPARE(refresh.count(), 1);
        QVERIFY(view.isRefreshing());
        QVERIFY(source.selected.empty());
        view.endRefreshing();
        QVERIFY(!view.isRefreshing());
        QTRY_COMPARE(view.contentOffset(), 0.0);
    }

    void withoutRefreshAPullOnlyBounces() {
        Table t;
        auto& [source, view] = t;
        QSignalSpy refresh(&view, &TableView::refreshRequested);
        drag(&view, {100, 50}, {100, 390});
        QCOMPARE(refresh.count(), 0);
        view.beginRefreshing();  // the action does nothing either
        QCOMPARE(refresh.count(), 0);
        QTRY_COMPARE(view.contentOffset(), 0.0);
    }

    void theSectionIndexJumpsToItsSectionAndLeavesAPhoneToItsRows() {
        Table t(400, true, {QStringLiteral("A"), QStringLiteral("B")});
        auto& [source, view] = t;
        // On a phone-sized table there is no room for finger-sized letters: the right edge is the row's.
        QCOMPARE(view.rightInset(), 0.0);
        const QRectF row = view.rectForRow(1, 0);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPointF(row.right() - 2, row.center().y()).toPoint());
        QCOMPARE(view.contentOffset(), 0.0);
        QVERIFY(!source.selected.empty());
        source.selected.clear();
        // A wider one shows it at the right edge, centred vertically, each letter a 44-px target.
        view.resize(768, 400);
        QCOMPARE(view.rightInset(), 44.0);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(768 - 40, 200 + 40));  // section B, off its centre
        QVERIFY(view.contentOffset() > 0);
        QVERIFY(source.selected.empty());
    }

    void paintingBuildsOnlyRowsOnScreen() {
        Table t(300, false);
        auto& [source, view] = t;
        view.grab();
        QVERIFY(source.rowsBuilt > 0);
        QVERIFY(source.rowsBuilt <= static_cast<int>(source.visible.size()));
    }

    void switchingTabsTellsBothScreens() {
        std::vector<QString> events;
        FakeScreen a(QStringLiteral("A"), events), b(QStringLiteral("B"), events);
        MainWindow w(Metrics::phone());
        w.addTab(QStringLiteral("today"), QStringLiteral("A"), &a);
        w.addTab(QStringLiteral("history"), QStringLiteral("B"), &b);
        w.show();
        QTRY_COMPARE(events.size(), size_t(2));
        QCOMPARE(events, (std::vector<QString>{"A willAppear", "A didAppear"}));
        QCOMPARE(w.navigationBar(0)->title(), QStringLiteral("A"));

        events.clear();
        QTest::mouseClick(w.tabBar(), Qt::LeftButton, {}, w.tabBar()->tabRect(1).center());
        QCOMPARE(w.currentTab(), 1);
        QTRY_COMPARE(events.size(), size_t(3));
        QCOMPARE(events, (std::vector<QString>{"A willDisappear", "B willAppear", "B didAppear"}));

        events.clear();
        w.setCurrentTab(1);  // already there: nothing happens
        QTest::qWait(20);
        QVERIFY(events.empty());
    }

    void modalPagesCoverTheWindowAndGoAwayAnimatedOrNot() {
        MainWindow w(Metrics::phone());
        w.setAnimationsEnabled(false);
        w.addTab(QStringLiteral("today"), QStringLiteral("A"), nullptr);
        w.show();
        auto* content = new QWidget;
        QPointer<ModalPage> page = new ModalPage(QStringLiteral("Height"), content);
        bool cancelled = false;
        page->navigationBar()->setLeftButton(QStringLiteral("Cancel"), [&] {
            cancelled = true;
            w.dismissModal(page);
        });
        w.presentModal(page);
        QCOMPARE(w.topModal(), page.data());

        QTest::mouseClick(page->navigationBar()->leftButton(), Qt::LeftButton);
        QVERIFY(cancelled);
        QCOMPARE(w.modalCount(), 0);
        QTRY_VERIFY(page.isNull());  // deleted once dismissed

        // An animated dismissal deletes it too.
        w.setAnimationsEnabled(true);
        page = new ModalPage(QStringLiteral("Page"), new QWidget);
        w.presentModal(page, true);
        w.dismissModal(page, true);
        QCOMPARE(w.topModal(), nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(page.isNull(), 2000);
    }

    void theStateLineFollowsTheCentralAndMakesRoomForItself() {
        OnScriptedCentral companion;
        auto& central = companion.central;
        VantroViewController& controller = companion.session.today();
        TodayScreenView today(controller);
        TableView* table = qobject_cast<TableView*>(today.view());
        QVERIFY(table);
        table->resize(320, 568);
        table->reloadData();

        auto changeTo = [&](BleCentralState state, std::string reason = {}) {
            central->currentState = state;
            central->reason = std::move(reason);
            controller.centralManagerDidUpdateState(*central);
        };
        // With Bluetooth usable the line tells whether the band is there and when it was last synced.
        changeTo(BleCentralState::PoweredOn);
        QCOMPARE(today.headerTitle(0), QStringLiteral("Disconnected \u00b7 NeverSynced"));
        const double firstRow = table->rectForRow(0, 0).top();

        // The state line replaces it without a reload by the caller.
        changeTo(BleCentralState::PoweredOff);
        QCOMPARE(today.headerTitle(0), QStringLiteral("BluetoothOff"));
        changeTo(BleCentralState::Unauthorized);
        QCOMPARE(today.headerTitle(0), QStringLiteral("BluetoothUnauthorized"));
        // The central's own reason says more than its state.
        changeTo(BleCentralState::Unsupported, "BluetoothNotRunning");
        QCOMPARE(today.headerTitle(0), QStringLiteral("BluetoothNotRunning"));

        changeTo(BleCentralState::PoweredOn);
        QCOMPARE(today.headerTitle(0), QStringLiteral("Disconnected \u00b7 NeverSynced"));
        QCOMPARE(table->rectForRow(0, 0).top(), firstRow);
    }

    // The connect hint above the rows wraps to the table's width: a longer text or a larger font
    // needs more lines, and the same text at the same width the same height, however often asked.
    void theConnectHintsHeightFollowsItsTextFontAndWidth() {
        OnScriptedCentral companion;
        TodayScreenView today(companion.session.today());
        auto* hint = today.view()->findChild<QPushButton*>(QStringLiteral("todayConnectHint"));
        QVERIFY(hint);
        QVERIFY(hint->hasHeightForWidth());
        hint->setText(QStringLiteral("Tap to connect"));
        const int oneLine = hint->heightForWidth(320);
        QCOMPARE(hint->heightForWidth(320), oneLine);
        QVERIFY(hint->heightForWidth(60) > oneLine);
        hint->setText(QStringLiteral("Tap here to look for your band and connect to it; keep it close to this device"));
        const int wrapped = hint->heightForWidth(320);
        QVERIFY(wrapped > oneLine);
        QFont larger = hint->font();
        if (larger.pixelSize() > 0)
            larger.setPixelSize(larger.pixelSize() * 2);
        else
            larger.setPointSizeF(larger.pointSizeF() * 2);
        hint->setFont(larger);
        QVERIFY(hint->heightForWidth(320) > wrapped);
    }
};

QTEST_MAIN(ShellWidgetsTest)
#include "shell_widgets_test.moc"
