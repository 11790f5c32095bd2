// SPDX-License-Identifier: MIT
// Every screen, page and question walked by the keyboard alone: Tab and Shift+Tab go round every control
// and back, every stop is seen (a ring) and named, and Return and Escape do what the README says.
#include "app_under_test.h"
#include "gui/app_shell.h"

#include "charts/chart_information_view.h"
#include "charts/label.h"
#include "gui/history_screen.h"
#include "screens/chart_view_controller.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/navigation_bar.h"
#include "gui/property_page.h"
#include "gui/settings_screen.h"
#include "gui/sleep_screen.h"
#include "gui/tab_bar.h"
#include "gui/table_view.h"
#include "gui/view_host.h"
#include "screens/sleep_pie_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "store/sqlite_data.h"
#include "platform/local_time.h"
#include "platform/paths.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace vantro;
using namespace vantro::gui;
using app_test::visibleBox;

namespace {

void closeBoxes() {
    while (QMessageBox* box = visibleBox()) {
        box->reject();
        QApplication::processEvents();
    }
}

/// The control a focus stop belongs to: a spin box's text field is the spin box (a button is itself,
/// even where its box hands the focus to it).
QWidget* ownerOf(QWidget* w) {
    while (w && !qobject_cast<QAbstractButton*>(w) && w->parentWidget() && w->parentWidget()->focusProxy() == w)
        w = w->parentWidget();
    return w;
}

QString describe(QWidget* w) {
    if (!w) return QStringLiteral("nothing");
    QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
        name += QStringLiteral(" \"%1\"").arg(button->text());
    if (QWidget* p = w->parentWidget(); p && !p->objectName().isEmpty())
        name = p->objectName() + QLatin1Char('/') + name;
    return name;
}

/// What the control looks like now; an editor only along its edges, where its ring is (a caret would
/// otherwise count as one).
QImage look(QWidget* w) {
    QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w)) return image;
    const int edge = 3;
    for (int y = edge; y < image.height() - edge; ++y)
        for (int x = edge; x < image.width() - edge; ++x) image.setPixel(x, y, 0);
    return image;
}

struct App : app_test::AppUnderTest {
    App(int days, int nights, const QString& language = QStringLiteral("en"))
        : AppUnderTest(language, false, days, nights, QSize(360, 640)) {}
    ~App() { closeBoxes(); }
    /// Answers any question with Cancel and gives the window the keyboard back.
    void settle() {
        closeBoxes();
        QApplication::setActiveWindow(&window());
        QApplication::processEvents();
    }
    QWidget* openPage(RowPath row) {
        settings().table()->tapRow(row.first, row.second);
        QApplication::processEvents();
        return window().topModal();
    }
};

/// Walks the stops Tab goes through from the focus now, forwards round to the start and backwards again,
/// and says what is wrong: a stop missed or twice, a way back that differs, a stop unseen or unnamed.
QStringList walk(const std::vector<QWidget*>& expected, const QString& where, const std::function<void(int)>& key) {
    QStringList problems;
    auto say = [&](const QString& what) { problems << where + QStringLiteral(": ") + what; };
    const int n = static_cast<int>(expected.size());
    if (n < 2) {
        say(QStringLiteral("only %1 focus stop(s)").arg(n));
        return problems;
    }
    QWidget* start = ownerOf(QApplication::focusWidget());
    if (std::find(expected.begin(), expected.end(), start) == expected.end() &&
        std::find(expected.begin(), expected.end(), QApplication::focusWidget()) == expected.end())
        say(QStringLiteral("the focus starts outside the stops, on ") + describe(start));
    std::vector<QWidget*> forward;
    for (int i = 0; i < n; ++i) {
        QWidget* at = ownerOf(QApplication::focusWidget());
        if (!at) {
            say(QStringLiteral("the focus is lost after %1 Tabs").arg(i));
            return problems;
        }
        const QImage focused = look(at);
        key(Qt::Key_Tab);
        QWidget* next = ownerOf(QApplication::focusWidget());
        if (!next) {
            say(QStringLiteral("Tab from %1 loses the focus").arg(describe(at)));
            return problems;
        }
        if (next == at) {
            say(QStringLiteral("Tab stays on ") + describe(at));
            return problems;
        }
        forward.push_back(next);
        // Where the focus lands is in sight (a scrolled page brings it into view).
        const QRect r(next->mapTo(next->window(), QPoint(0, 0)), next->size());
        if (!next->isVisible() || r.isEmpty() || !next->window()->rect().intersects(r))
            say(QStringLiteral("focus stop out of sight: ") + describe(next));
        // The stop just left looks different from when it had the focus: it showed a ring.
        if (at && at->isVisible() && look(at) == focused) say(QStringLiteral("no focus ring on ") + describe(at));
    }
    if (forward.back() != start) {
        QStringList went;
        for (QWidget* f : forward) went << describe(f);
        say(QStringLiteral("%1 Tabs do not come back round to %2 (they go %3)")
                .arg(n)
                .arg(describe(start), went.join(QStringLiteral(", "))));
    }
    for (QWidget* stop : expected) {
        QWidget* o = ownerOf(stop);
        if (std::count(forward.begin(), forward.end(), o) != 1)
            say(QStringLiteral("Tab reaches %1 %2 times")
                    .arg(describe(o))
                    .arg(std::count(forward.begin(), forward.end(), o)));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(o);
        const QString name = iface ? iface->text(QAccessible::Name) : QString();
        if (name.trimmed().isEmpty()) say(QStringLiteral("focus stop without a name: ") + describe(o));
        const QAccessible::Role role = iface ? iface->role() : QAccessible::NoRole;
        if (role == QAccessible::NoRole || role == QAccessible::Client || role == QAccessible::Pane)
            say(QStringLiteral("focus stop without a control's role: ") + describe(o));
    }
    // Shift+Tab retraces the same stops backwards.
    for (int i = n - 1; i >= 0; --i) {
        key(Qt::Key_Backtab);
        QWidget* back = ownerOf(QApplication::focusWidget());
        QWidget* want = i > 0 ? forward[static_cast<size_t>(i - 1)] : start;
        if (back != want) {
            say(QStringLiteral("Shift+Tab goes to %1, not back to %2").arg(describe(back), describe(want)));
            break;
        }
    }
    return problems;
}

}  // namespace

class KeyboardWalkTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { closeBoxes(); }

    void everyScreenGoesRoundAndBack() {
        App a(12, 3);
        MainWindow& w = a.window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QStringList problems;
        for (int tab : {kTodayTab, kHistoryTab, kSleepTab, kSettingsTab}) {
            w.setCurrentTab(tab);
            QApplication::processEvents();
            if (tab == kSleepTab) QTRY_VERIFY(a.shell->sleepScreen()->table());
            MainWindow::focusFirstIn(w.navigationBar(tab)->parentWidget());
            problems << walk(w.focusOrder(), w.navigationBar(tab)->title(), [&](int k) { a.key(k); });
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void everyPageGoesRoundAndBackAndAnswersReturnAndEscape() {
        App a(3, 2);
        MainWindow& w = a.window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.setCurrentTab(kSettingsTab);
        const auto rows = a.pageRows();
        QVERIFY(rows.size() >= 10);  // the property pages, the picker, the sync and relay pages
        QStringList problems;
        for (const RowPath& row : rows) {
            const QString where = a.settings().row(row.first, row.second).caption;
            QWidget* page = a.openPage(row);
            if (!page) {
                problems << where + QStringLiteral(": no page");
                continue;
            }
            // What the page covers is hidden: a screen reader must not find the settings behind it.
            if (a.settings().table()->isVisible() || w.tabBar()->isVisible())
                problems << where + QStringLiteral(": the settings still show behind the page");
            problems << walk(w.focusOrder(), where, [&](int k) { a.key(k); });

            // Escape is the left button (Cancel, or the page's only button), wherever the focus is.
            auto* modal = qobject_cast<ModalPage*>(page);
            QPushButton* left = modal->navigationBar()->leftButton();
            QPushButton* right = modal->navigationBar()->rightButton();
            QVERIFY(left);
            MainWindow::focusFirstIn(page);
            QSignalSpy escaped(left, &QPushButton::clicked);
            a.key(Qt::Key_Escape);
            if (escaped.count() != 1 || w.topModal() == page)
                problems << where + QStringLiteral(": Escape does not leave the page");
            a.settle();
            if (w.topModal()) w.dismissModal(w.topModal(), false);
            QApplication::processEvents();
            if (!a.settings().table()->isVisible()) problems << where + QStringLiteral(": the settings stay hidden");

            // Return on the focused button presses it; elsewhere it is OK (or the only button). A list's
            // Return picks its row, so a list page is asked from its bar.
            page = a.openPage(row);
            modal = qobject_cast<ModalPage*>(page);
            left = modal->navigationBar()->leftButton();
            right = modal->navigationBar()->rightButton();
            left->setFocus(Qt::TabFocusReason);
            QSignalSpy leftPressed(left, &QPushButton::clicked);
            a.key(Qt::Key_Return);
            if (leftPressed.count() != 1) problems << where + QStringLiteral(": Return does not press ") + left->text();
            a.settle();
            if (w.topModal()) w.dismissModal(w.topModal(), false);
            page = a.openPage(row);
            modal = qobject_cast<ModalPage*>(page);
            right = modal->navigationBar()->rightButton();
            left = modal->navigationBar()->leftButton();
            auto* view = page->findChild<PropertyPageView*>();
            const bool list = view && view->table();
            QPushButton* expected = right ? right : left;
            if (list) expected->setFocus(Qt::TabFocusReason);
            QSignalSpy confirmed(expected, &QPushButton::clicked);
            a.key(Qt::Key_Return);
            if (confirmed.count() != 1)
                problems << where + QStringLiteral(": Return from %1 does not press %2")
                                        .arg(describe(QApplication::focusWidget()), expected->text());
            a.settle();
            if (w.topModal()) w.dismissModal(w.topModal(), false);
            QApplication::processEvents();
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void theBarButtonsAnswerReturn() {
        App a(0, 0);
        MainWindow& w = a.window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.setCurrentTab(kSettingsTab);
        // Backup: Return asks the question; App: Return opens the menu.
        QPushButton* backup = w.navigationBar(kSettingsTab)->rightButton();
        backup->setFocus(Qt::TabFocusReason);
        a.key(Qt::Key_Return);
        QTRY_VERIFY(visibleBox());
        a.settle();
        QPushButton* app = w.navigationBar(kSettingsTab)->leftButton();
        app->setFocus(Qt::TabFocusReason);
        a.key(Qt::Key_Enter, Qt::KeypadModifier);
        auto* menu = w.findChild<QMenu*>(QStringLiteral("appMenu"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        menu->close();
    }

    void theQuestionsGoRoundTheirButtons() {
        App a(0, 0);
        MainWindow& w = a.window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.setCurrentTab(kSettingsTab);
        QStringList problems;
        // The backup question (three answers) and the reset question (destructive, Cancel by default).
        for (const auto& ask :
             std::vector<std::function<void()>>{[&] { w.navigationBar(kSettingsTab)->rightButton()->click(); },
                                                [&] { a.settings().table()->tapRow(4, 2); }}) {
            ask();
            QTRY_VERIFY(visibleBox());
            QMessageBox* box = visibleBox();
            QTRY_VERIFY(QApplication::focusWidget() && box->isAncestorOf(QApplication::focusWidget()));
            std::vector<QWidget*> buttons;
            for (QAbstractButton* b : box->buttons()) buttons.push_back(b);
            problems << walk(buttons, box->text(), [&](int k) {
                QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(k));
                QApplication::processEvents();
            });
            // Escape answers Cancel.
            QSignalSpy answered(box, &QMessageBox::buttonClicked);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!visibleBox());
            if (answered.count() != 1 ||
                messageBoxButtonIndex(box, answered.at(0).at(0).value<QAbstractButton*>()) != 0)
                problems << box->text() + QStringLiteral(": Escape is not Cancel");
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void aMonthOfTheYearStaysInsideItsPanelOnANarrowPhoneInChinese() {
        App a(60, 0, QStringLiteral("zh_CN"));
        MainWindow& w = a.window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        a.key(Qt::Key_2, Qt::ControlModifier);
        HistoryScreen& history = *a.shell->historyScreen();
        QTRY_VERIFY(history.controller().barCount() > 0);
        history.rangeControl()->setFocus();
        for (int i = 0; i < 3; ++i) a.key(Qt::Key_Right);  // all, week, month, year
        QCOMPARE(history.controller().range(), HistoryRange::Year);
        history.host()->setFocus();
        QTRY_VERIFY(history.controller().barCount() > 0);
        a.key(Qt::Key_Left);  // the month still running
        QTest::qWait(800);    // the panel has slid in
        const auto& label = *history.controller().informationView()->titleLabel();
        const std::string summary = label.text().value_or("");
        QVERIFY2(summary.find("\xe5\x85\xb1") != std::string::npos, summary.c_str());  // "共": the month's total
        // Drawn whole inside the label, which keeps clear of the ring at the host's edge.
        const double need = label.textSize().width;
        const double room = label.bounds().width;
        QVERIFY2(need <= room || label.adjustsFontSizeToFitWidth(),
                 qPrintable(QStringLiteral("%1 wide in %2").arg(need).arg(room)));
        // And as drawn: in the label's band, the last light pixel keeps clear of the ring at the edge.
        const QImage shot = history.host()->grab().toImage();
        const Point top = label.convertPoint({0, 0}, history.host()->root());
        const QRectF band = history.host()->fromRoot(QRectF(top.x, top.y, label.bounds().width, label.bounds().height));
        const double ratio = shot.width() / double(history.host()->width());
        int rightmost = -1;
        for (int y = int(band.top() * ratio); y < int(band.bottom() * ratio) && y < shot.height(); ++y)
            for (int x = 0; x < int((history.host()->width() - 3) * ratio); ++x)  // the ring itself aside
                if (qGray(shot.pixel(x, y)) > 120) rightmost = std::max(rightmost, x);
        QVERIFY(rightmost > 0);
        QVERIFY2(
            rightmost / ratio < history.host()->width() - 6,
            qPrintable(QStringLiteral("text reaches x %1 of %2").arg(rightmost / ratio).arg(history.host()->width())));
    }

    void theSleepPieTakesTheKeyboardAndTheRingStartsOnTheNightShown() {
        App a(0, 3);
        MainWindow& w = a.window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        a.key(Qt::Key_3, Qt::ControlModifier);
        SleepScreen& sleep = *a.shell->sleepScreen();
        QTRY_VERIFY(sleep.table() && QApplication::focusWidget() == sleep.table());
        // The night on the pie is the row the keyboard starts on.
        QCOMPARE(sleep.selectedRow(), 2);
        QCOMPARE(sleep.table()->keyboardRow(), std::optional<RowPath>(RowPath{0, 2}));
        QTRY_COMPARE(sleep.controller()->pieViewController()->slices().size(), size_t(4));
        // The pie is a stop of its own; the arrows walk its slices.
        const auto order = w.focusOrder();
        QVERIFY(std::find(order.begin(), order.end(), sleep.host()) != order.end());
        sleep.host()->setFocus(Qt::TabFocusReason);
        QCOMPARE(sleep.keyboardSlice(), -1);
        a.key(Qt::Key_Right);
        QCOMPARE(sleep.keyboardSlice(), 0);
        a.key(Qt::Key_Right);
        a.key(Qt::Key_Right);
        QCOMPARE(sleep.keyboardSlice(), 2);
        a.key(Qt::Key_Left);
        QCOMPARE(sleep.keyboardSlice(), 1);
        a.key(Qt::Key_End);
        QCOMPARE(sleep.keyboardSlice(), 3);
        QAccessibleInterface* pie = QAccessible::queryAccessibleInterface(sleep.host());
        QVERIFY(pie->child(3)->state().focused);
        QVERIFY(!pie->child(1)->state().focused);
    }
};

QTEST_MAIN(KeyboardWalkTest)
#include "keyboard_walk_test.moc"
