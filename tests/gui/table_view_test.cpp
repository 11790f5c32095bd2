// SPDX-License-Identifier: MIT
// The row table: taps select, drags scroll, rows on screen are reported, a pull past the top refreshes.
#include "gui/table_view.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

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

}  // namespace

class TableViewTest : public QObject {
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
};

QTEST_MAIN(TableViewTest)
#include "table_view_test.moc"
