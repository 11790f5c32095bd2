// SPDX-License-Identifier: MIT
// Whether the app can be used: every screen at phone, tablet and desktop sizes (controls inside the window, no
// text cut, finger-sized targets, visible focus rings); every screen, page and question walked by the keyboard
// alone (Tab and Shift+Tab go round every control and back, every stop is in sight and named, Return and Escape
// do what the README says); and what a screen reader is told, read through Qt's accessibility tree.
#include "app_under_test.h"

#include "app/vantro_app_delegate.h"
#include "charts/chart_information_view.h"
#include "charts/label.h"
#include "gui/controls.h"
#include "gui/history_screen.h"
#include "gui/message_box.h"
#include "gui/property_page.h"
#include "gui/sleep_screen.h"
#include "gui/tab_bar.h"
#include "gui/today_screen_view.h"
#include "platform/setting_keys.h"
#include "screens/chart_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "screens/sleep_pie_view.h"
#include "screens/sleep_pie_view_controller.h"
#include "settings/properties_view_controller.h"

#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>

#include <cmath>

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

struct App : app_test::AppUnderTest {
    App(int days, int nights, const QString& language = QStringLiteral("en"))
        : AppUnderTest(language, false, days, nights, QSize(360, 640)) {
        if (!QTest::qWaitForWindowActive(&window())) qWarning("the window is not active: keys may go astray");
    }
    ~App() { closeBoxes(); }
    /// Answers any question with Cancel and gives the window the keyboard back.
    void settle() {
        closeBoxes();
        QApplication::setActiveWindow(&window());
        QApplication::processEvents();
    }
};

QString nameOf(QWidget* w) {
    QAccessibleInterface* iface = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    return iface ? iface->text(QAccessible::Name) : QString();
}

/// Walks the stops Tab goes through from the focus now, forwards round to the start and backwards again,
/// and says what is wrong: a stop that is not the one `expected` names next (by what a reader calls it,
/// starting with the focus now), one missed or twice, a way back that differs, a stop out of sight.
QStringList walk(const QStringList& expected, const QString& where, const std::function<void(int)>& key) {
    QStringList problems;
    auto say = [&](const QString& what) { problems << where + QStringLiteral(": ") + what; };
    const int n = static_cast<int>(expected.size());
    QWidget* start = ownerOf(QApplication::focusWidget());
    if (!start) {
        say(QStringLiteral("nothing has the focus"));
        return problems;
    }
    std::vector<QWidget*> forward;
    QStringList went{nameOf(start)};
    for (int i = 0; i < n; ++i) {
        QWidget* at = ownerOf(QApplication::focusWidget());
        if (!at) {
            say(QStringLiteral("the focus is lost after %1 Tabs").arg(i));
            return problems;
        }
        key(Qt::Key_Tab);
        QWidget* next = ownerOf(QApplication::focusWidget());
        if (!next) {
            say(QStringLiteral("Tab from %1 loses the focus").arg(describe(at)));
            return problems;
        }
        forward.push_back(next);
        went << nameOf(next);
        // Where the focus lands is in sight (a scrolled page brings it into view).
        const QRect r(next->mapTo(next->window(), QPoint(0, 0)), next->size());
        if (!next->isVisible() || r.isEmpty() || !next->window()->rect().intersects(r))
            say(QStringLiteral("focus stop out of sight: ") + describe(next));
    }
    // The stops, in order and by name, and after the last one the first again.
    QStringList want = expected;
    want << expected.value(0);
    if (went != want)
        say(QStringLiteral("Tab goes [%1], not [%2]")
                .arg(went.join(QStringLiteral(" | ")), want.join(QStringLiteral(" | "))));
    if (forward.empty() || forward.back() != start)
        say(QStringLiteral("%1 Tabs do not come back round to %2").arg(n).arg(describe(start)));
    for (QWidget* stop : forward)
        if (std::count(forward.begin(), forward.end(), stop) != 1)
            say(QStringLiteral("Tab reaches %1 more than once").arg(describe(stop)));
    // Shift+Tab retraces the same stops backwards.
    for (int i = n - 1; i >= 0 && static_cast<int>(forward.size()) == n; --i) {
        key(Qt::Key_Backtab);
        QWidget* back = ownerOf(QApplication::focusWidget());
        QWidget* wantBack = i > 0 ? forward[static_cast<size_t>(i - 1)] : start;
        if (back != wantBack) {
            say(QStringLiteral("Shift+Tab goes to %1, not back to %2").arg(describe(back), describe(wantBack)));
            break;
        }
    }
    return problems;
}

QAccessibleInterface* iface(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

/// Focusable objects under `node` that a reader would announce without a name or without a role.
void unnamed(QAccessibleInterface* node, const QString& path, QStringList& problems, int depth = 0) {
    if (!node || depth > 40) return;
    const QAccessible::State state = node->state();
    if (state.invisible) return;  // not shown: not read
    const QAccessible::Role role = node->role();
    const QString name = node->text(QAccessible::Name);
    const QString here = path + QLatin1Char('/') + QString::number(role, 16) + QLatin1Char(':') + name;
    if (state.focusable && !state.disabled) {
        if (name.trimmed().isEmpty()) problems << here + QStringLiteral(" is focusable but has no name");
        if (role == QAccessible::NoRole || role == QAccessible::Client || role == QAccessible::Pane)
            problems << here + QStringLiteral(" is focusable but has no control's role");
    }
    for (int i = 0; i < node->childCount(); ++i) unnamed(node->child(i), here, problems, depth + 1);
}

QStringList unnamedIn(QWidget* top) {
    QStringList problems;
    unnamed(iface(top), top->objectName(), problems);
    return problems;
}

struct Reader : app_test::AppUnderTest {
    Reader(const QString& language, int nights) : AppUnderTest(language, false, 4, nights) {}
};

QString pathOf(const QWidget* w) {
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    return w->parentWidget() ? pathOf(w->parentWidget()) + QLatin1Char('/') + name : name;
}

/// The scroll area `w` is content of, if any (its scroll bars are not content).
const QScrollArea* scrolledBy(const QWidget* w) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<const QScrollArea*>(p)) return area->viewport()->isAncestorOf(w) ? area : nullptr;
    return nullptr;
}

/// Labels of the chart views that are wider than their frames.
void cutChartLabels(const View& view, const QString& where, QStringList& problems) {
    if (const auto* label = dynamic_cast<const Label*>(&view); label && !view.isHidden()) {
        const Size need = label->textSize();
        if (label->numberOfLines() == 1 && need.width > view.bounds().width + 1)
            problems << where + QStringLiteral(": chart text cut: ") +
                            QString::fromStdString(label->text().value_or(""));
    }
    for (const auto& sub : view.subviews()) cutChartLabels(*sub, where, problems);
}

/// What does not fit in `window` now: controls (partly) outside it and texts that are cut.
QStringList misfits(QWidget* window) {
    QStringList problems;
    const QRect inside = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow()) continue;
        const QString where = pathOf(w);
        if (const QScrollArea* area = scrolledBy(w)) {
            // Scrolled content may run below the window, but not off its sides: nothing scrolls sideways.
            const QWidget* port = area->viewport();
            const QRect r(w->mapTo(port, QPoint(0, 0)), w->size());
            if (r.left() < 0 || r.right() >= port->width())
                problems << where + QStringLiteral(" is wider than its scrolled page");
        } else {
            const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
            if (!inside.contains(r)) problems << where + QStringLiteral(" lies outside the window");
        }
        if (auto* table = qobject_cast<TableView*>(w)) {
            for (const QString& t : table->cutTexts()) problems << where + QStringLiteral(": row cut: ") + t;
        } else if (auto* tabs = qobject_cast<TabBar*>(w)) {
            for (const QString& t : tabs->cutLabels()) problems << where + QStringLiteral(": tab cut: ") + t;
        } else if (auto* bar = qobject_cast<NavigationBar*>(w)) {
            if (!bar->titleFits()) problems << where + QStringLiteral(": title cut: ") + bar->title();
        } else if (auto* seg = qobject_cast<SegmentedControl*>(w)) {
            for (const QString& t : seg->cutLabels()) problems << where + QStringLiteral(": segment cut: ") + t;
        } else if (auto* host = qobject_cast<ViewHost*>(w)) {
            cutChartLabels(host->root(), where, problems);
        } else if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            const QRect c = label->contentsRect();
            const bool cut = label->wordWrap() ? label->heightForWidth(c.width()) > c.height() + 1
                                               : label->fontMetrics().horizontalAdvance(label->text()) > c.width();
            if (cut) problems << where + QStringLiteral(": label cut: ") + label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
            const bool cut = button->hasHeightForWidth() ? button->heightForWidth(button->width()) > button->height()
                                                         : button->fontMetrics().horizontalAdvance(button->text()) >
                                                               button->contentsRect().width();
            if (cut) problems << where + QStringLiteral(": button cut: ") + button->text();
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QSpinBox*>(w)) {
            const QString text = w->property("text").toString();
            if (w->fontMetrics().horizontalAdvance(text) > w->contentsRect().width() - 4)
                problems << where + QStringLiteral(": field cut: ") + text;
        }
    }
    return problems;
}

/// A box fits when it is no wider or taller than the window and its texts are whole.
QStringList boxMisfits(QMessageBox* box, QWidget* window) {
    QStringList problems;
    QApplication::processEvents();
    if (box->width() > window->width() || box->height() > window->height())
        problems << QStringLiteral("box %1x%2 is larger than the window").arg(box->width()).arg(box->height());
    for (QString p : misfits(box))
        problems << QStringLiteral("box: ") +
                        p.replace(QStringLiteral(" lies outside the window"), QStringLiteral(" lies outside the box"));
    return problems;
}

/// Relative luminance and contrast ratio as the web's accessibility rules define them.
double luminance(QColor c) {
    auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}
double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

/// What is wrong with `w` as a tap target: each part that takes a tap (a segment, a list row, the control
/// itself) must be at least 44 x 44 logical pixels. Tables and charts are rows and drawings of their own.
QStringList smallTargets(QWidget* w, const QString& where) {
    QStringList problems;
    auto check = [&](QRect r, const QString& what) {
        if (r.width() < 44 || r.height() < 44)
            problems << QStringLiteral("%1: %2 takes taps on %3 x %4").arg(where, what).arg(r.width()).arg(r.height());
    };
    if (qobject_cast<TableView*>(w) || qobject_cast<ViewHost*>(w)) return problems;
    if (auto* seg = qobject_cast<SegmentedControl*>(w)) {
        for (int i = 0; i < seg->count(); ++i)
            check(seg->segmentRect(i), pathOf(w) + QStringLiteral(" segment %1").arg(i));
    } else if (auto* tabs = qobject_cast<TabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) check(tabs->tabRect(i), QStringLiteral("tab %1").arg(i));
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i)
            check(list->visualItemRect(list->item(i)), pathOf(w) + QStringLiteral(" row %1").arg(i));
    } else {
        check(w->rect(), pathOf(w));
    }
    return problems;
}

/// Focuses `w` and sees its ring: the pixels that change with the focus must, at 3 : 1 or more against
/// what was there before, go round a box nearly the control's size (a caret or a pale fill does not).
QStringList faintRing(QWidget* w, QWidget* elsewhere, const QString& where) {
    QWidget* window = w->window();
    const QRect area(w->mapTo(window, QPoint(0, 0)), w->size());
    auto shot = [&] {
        QApplication::processEvents();
        return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    };
    elsewhere->setFocus(Qt::TabFocusReason);
    const QImage before = shot();
    w->setFocus(Qt::TabFocusReason);
    const QImage after = shot();
    elsewhere->setFocus(Qt::TabFocusReason);
    if (before.size() != after.size()) return {where + QStringLiteral(": grabs differ in size")};
    int strong = 0;
    QRect box;
    double best = 1;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QColor a = after.pixelColor(x, y), b = before.pixelColor(x, y);
            if (a == b) continue;
            const double c = contrast(a, b);
            best = std::max(best, c);
            if (c < 3) continue;
            ++strong;
            box |= QRect(x, y, 1, 1);
        }
    const double ratio = after.width() / double(w->width());
    const bool wide = box.width() >= std::min(40.0, 0.8 * after.width()) - 1;
    const bool tall = box.height() >= std::min(30.0 * ratio, 0.8 * after.height()) - 1;
    const bool round = strong >= (box.width() + box.height());  // half the box's perimeter
    if (wide && tall && round) return {};
    return {QStringLiteral("%1: %2 shows no ring of 3:1 (best %3:1, %4 px in a %5x%6 box)")
                .arg(where, pathOf(w))
                .arg(best, 0, 'f', 2)
                .arg(strong)
                .arg(box.width())
                .arg(box.height())};
}

/// Every control of the screen or page on top: its size, and its ring when the keyboard can reach it.
QStringList targetsAndRings(MainWindow& window, const QString& where) {
    QStringList problems;
    QApplication::processEvents();
    QWidget* area = window.topModal() ? window.topModal() : static_cast<QWidget*>(&window);
    std::vector<QWidget*> controls;
    for (QWidget* w : area->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->focusProxy()) continue;
        const bool tappable = qobject_cast<QAbstractButton*>(w) || w->focusPolicy() != Qt::NoFocus;
        if (tappable && !qobject_cast<QScrollArea*>(w) && !qobject_cast<QAbstractScrollArea*>(w->parentWidget()))
            controls.push_back(w);
    }
    // Every control the focus can go to (a group's other radio buttons by arrow keys).
    std::vector<QWidget*> stops;
    for (QWidget* w : controls)
        if (w->isEnabled() && w->focusPolicy() != Qt::NoFocus) stops.push_back(w);
    for (QWidget* w : controls) problems << smallTargets(w, where);
    // Each stop's ring, against the look it has while another stop has the focus.
    for (size_t i = 0; i < stops.size() && stops.size() > 1; ++i)
        problems << faintRing(stops[i], stops[i == 0 ? 1 : 0], where);
    return problems;
}

using Sized = app_test::AppUnderTest;

}  // namespace

class UsabilityTest : public QObject {
    Q_OBJECT
private slots:
    void everyScreenAndQuestionGoesRoundAndBack() {
        App a(12, 3);
        MainWindow& w = a.window();
        QStringList problems;
        // Each screen's stops as the eye reads them: the bar's buttons left to right, the screen top down,
        // the tab bar. (History shows weeks, so the arrow to earlier weeks is a stop; later ones are none.)
        auto stopsOf = [&](int tab) -> QStringList {
            switch (tab) {
                case kTodayTab:
                    return {QStringLiteral("Connect your band in Settings → Wristband"), QStringLiteral("Today"),
                            QStringLiteral("Screens")};
                case kHistoryTab:
                    return {QStringLiteral("Step history"), QStringLiteral("Earlier"), QStringLiteral("Period"),
                            QStringLiteral("Screens")};
                case kSleepTab:
                    return {QStringLiteral("Sleep phases"), QStringLiteral("Nights"), QStringLiteral("Screens")};
                default:
                    return {QStringLiteral("App"), QStringLiteral("Backup"), QStringLiteral("Settings"),
                            QStringLiteral("Screens")};
            }
        };
        a.eachScreen(
            [&](int tab, const QString& title) {
                MainWindow::focusFirstIn(w.navigationBar(tab)->parentWidget());
                problems << walk(stopsOf(tab), title, [&](int k) { a.key(k); });
            },
            true);
        // The backup question (three answers) and the reset question (destructive, Cancel by default).
        a.eachQuestion([&](QMessageBox* box) {
            QTRY_VERIFY(QApplication::focusWidget() && box->isAncestorOf(QApplication::focusWidget()));
            problems << walk(box->buttons().size() == 3
                                 ? QStringList{a.tr("gui.export"), a.tr("gui.import"), a.tr("Cancel")}
                                 : QStringList{QStringLiteral("Cancel"), QStringLiteral("OK")},
                             box->text(), [&](int k) {
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
        });
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void everyPageGoesRoundAndBackAndAnswersReturnAndEscape() {
        App a(3, 2);
        MainWindow& w = a.window();
        const auto rows = a.pageRows();
        QVERIFY(rows.size() >= 10);  // the property pages, the picker, the sync and relay pages
        QStringList problems;
        // Each page's stops from where the page puts the focus (its first control), top down and then
        // the bar's buttons left to right.
        auto time = [](const QString& caption) {
            QStringList stops;
            for (const char* field : {"hour", "minute"}) {
                const QString name = caption + QStringLiteral(", ") + QLatin1String(field);
                stops << name + QStringLiteral(", one less") << name << name + QStringLiteral(", one more");
            }
            return stops;
        };
        const QStringList bar{QStringLiteral("Cancel"), QStringLiteral("OK")};
        const QMap<QString, QStringList> stops{
            {QStringLiteral("Wristband"),
             QStringList{QStringLiteral("Choose wristband"), QStringLiteral("Refresh")} + bar},
            {QStringLiteral("Present"), QStringList{QStringLiteral("Present")} + bar},
            {QStringLiteral("Wish"), QStringList{QStringLiteral("Wish")} + bar},
            {QStringLiteral("Sitting reminder"), QStringList{QStringLiteral("Interval")} +
                                                     time(QStringLiteral("From")) + time(QStringLiteral("Until")) +
                                                     bar},
            {QStringLiteral("Medicine reminder"), QStringList{QStringLiteral("Interval (hours)")} +
                                                      time(QStringLiteral("From")) + time(QStringLiteral("Until")) +
                                                      bar},
            {QStringLiteral("Alarm"), QStringList{QStringLiteral("Alarm")} + time(QStringLiteral("Time")) + bar},
            {QStringLiteral("Height"), QStringList{QStringLiteral("Height (cm)")} + bar},
            {QStringLiteral("Weight"), QStringList{QStringLiteral("Weight (kg)")} + bar},
            {QStringLiteral("Display time"), QStringList{QStringLiteral("Seconds")} + bar},
            {QStringLiteral("Sync automatically"), {QStringLiteral("Every 3 h"), QStringLiteral("OK")}},
            {QStringLiteral("Relay notifications"), {QStringLiteral("Chosen apps"), QStringLiteral("OK")}},
        };
        QCOMPARE(static_cast<size_t>(stops.size()), rows.size());
        for (const auto& [s, r] : rows) {
            const QString where = a.settings().row(s, r).caption;
            // After an answer that may have left the page (or a question) open.
            auto leave = [&] {
                a.settle();
                if (w.topModal()) w.dismissModal(w.topModal(), false);
                QApplication::processEvents();
            };
            auto reopen = [&] {
                leave();
                return qobject_cast<ModalPage*>(a.openPage(s, r));
            };
            ModalPage* page = qobject_cast<ModalPage*>(a.openPage(s, r));
            if (!page) {
                problems << where + QStringLiteral(": no page");
                continue;
            }
            // What the page covers is hidden: a screen reader must not find the settings behind it.
            if (a.settings().table()->isVisible() || w.tabBar()->isVisible())
                problems << where + QStringLiteral(": the settings still show behind the page");
            problems << walk(stops.value(where, {QStringLiteral("?")}), where, [&](int k) { a.key(k); });

            // Escape is the left button (Cancel, or the page's only button), wherever the focus is.
            QPushButton* left = page->navigationBar()->leftButton();
            QVERIFY(left);
            MainWindow::focusFirstIn(page);
            QSignalSpy escaped(left, &QPushButton::clicked);
            a.key(Qt::Key_Escape);
            if (escaped.count() != 1 || w.topModal() == page)
                problems << where + QStringLiteral(": Escape does not leave the page");
            leave();
            if (!a.settings().table()->isVisible()) problems << where + QStringLiteral(": the settings stay hidden");

            // Return on the focused button presses it; elsewhere it is OK (or the only button). A list's
            // Return picks its row, so a list page is asked from its bar.
            page = reopen();
            left = page->navigationBar()->leftButton();
            left->setFocus(Qt::TabFocusReason);
            QSignalSpy leftPressed(left, &QPushButton::clicked);
            a.key(Qt::Key_Return);
            if (leftPressed.count() != 1) problems << where + QStringLiteral(": Return does not press ") + left->text();
            page = reopen();
            QPushButton* right = page->navigationBar()->rightButton();
            QPushButton* expected = right ? right : page->navigationBar()->leftButton();
            auto* view = page->findChild<PropertyPageView*>();
            if (view && view->table()) expected->setFocus(Qt::TabFocusReason);
            QSignalSpy confirmed(expected, &QPushButton::clicked);
            a.key(Qt::Key_Return);
            if (confirmed.count() != 1)
                problems << where + QStringLiteral(": Return from %1 does not press %2")
                                        .arg(describe(QApplication::focusWidget()), expected->text());
            leave();
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void theKeysReachAndWorkEveryScreen() {
        App a(12, 3);
        MainWindow& w = a.window();
        // Ctrl+number switches tabs and puts the focus into the screen.
        a.key(Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(w.currentTab(), int(kSettingsTab));
        TableView* settings = a.settings().table();
        QTRY_COMPARE(QApplication::focusWidget(), settings);
        QCOMPARE(settings->keyboardRow(), std::optional<RowPath>(RowPath{0, 0}));

        // Return opens the row's page, Escape leaves it and gives the focus back to the row.
        a.key(Qt::Key_Return);
        QVERIFY(w.topModal());
        auto* picker = w.topModal()->findChild<PropertyPageView*>();
        QVERIFY(picker && picker->table());
        QVERIFY(picker->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == picker->table());
        a.key(Qt::Key_Escape);
        QCOMPARE(w.modalCount(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), settings);

        // A form page opens with its editor focused (what is typed lands in it, any text there selected and
        // replaced); Return saves and closes the page.
        a.settings().table()->tapRow(4, 0);
        QVERIFY(w.topModal());
        auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY2(field, QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
        QTest::keyClicks(field, QStringLiteral("9"));
        QCOMPARE(field->text(), QStringLiteral("9"));
        // The page opens with an empty field; text already there is selected when the focus comes back.
        field->clearFocus();
        QVERIFY(MainWindow::focusFirstIn(w.topModal()));
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QCOMPARE(field->selectedText(), QStringLiteral("9"));
        QTest::keyClicks(field, QStringLiteral("12"));
        QCOMPARE(field->text(), QStringLiteral("12"));
        a.key(Qt::Key_Return);
        QCOMPARE(w.modalCount(), 0);
        QCOMPARE(a.shell->settings().integerForKey("displaytime"), 12);
        settings->setFocus();
        settings->setKeyboardRow(RowPath{0, 0});

        // Arrows walk the rows across sections.
        a.key(Qt::Key_Down);
        a.key(Qt::Key_Down);
        QCOMPARE(settings->keyboardRow(), std::optional<RowPath>(RowPath{1, 0}));
        // End reaches the last row of all: the notification relay, below the sync settings.
        a.key(Qt::Key_End);
        const int lastSection = a.settings().sectionCount() - 1;
        const RowPath relayRow{lastSection, a.settings().rowCount(lastSection) - 1};
        QCOMPARE(settings->keyboardRow(), std::optional<RowPath>(relayRow));
        QCOMPARE(a.settings().row(relayRow.first, relayRow.second).caption, a.tr("RelayNotifications"));
        QVERIFY(relayRow.first > 4);

        // The relay and the sync pages open over the window from the keyboard and Escape closes them.
        a.key(Qt::Key_Return);
        QWidget* relay = w.topModal();
        QVERIFY(relay);
        QVERIFY(relay->isAncestorOf(QApplication::focusWidget()));
        a.key(Qt::Key_Escape);
        QCOMPARE(w.modalCount(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), settings);
        QCOMPARE(settings->keyboardRow(), std::optional<RowPath>(relayRow));
        a.key(Qt::Key_Up);
        QCOMPARE(settings->keyboardRow(), std::optional<RowPath>(RowPath{lastSection, 0}));
        a.key(Qt::Key_Return);
        QWidget* sync = w.topModal();
        QVERIFY(sync);
        // The focus is on the chosen interval; an arrow picks the next one, which is stored at once.
        auto* chosen = qobject_cast<QRadioButton*>(QApplication::focusWidget());
        QVERIFY2(chosen, QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
        QVERIFY(sync->isAncestorOf(chosen));
        QVERIFY(chosen->isChecked());
        const auto hoursBefore = a.shell->settings().integerForKey("autoSyncHours");
        a.key(Qt::Key_Down);
        auto* next = qobject_cast<QRadioButton*>(QApplication::focusWidget());
        QVERIFY(next && next != chosen && next->isChecked());
        QVERIFY(a.shell->settings().integerForKey("autoSyncHours") != hoursBefore);
        a.key(Qt::Key_Escape);
        QCOMPARE(w.modalCount(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), settings);
        QCOMPARE(a.settings().row(lastSection, 0).detail, next->text());

        QPushButton* appButton = w.navigationBar(kSettingsTab)->leftButton();
        appButton->setFocus(Qt::TabFocusReason);
        // Space opens the App menu, the arrows walk it and Escape closes it, leaving the focus on the button.
        a.key(Qt::Key_Space);
        auto* menu = w.findChild<QMenu*>(QStringLiteral("appMenu"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Down);
        QVERIFY(menu->activeAction());
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), appButton);
        a.key(Qt::Key_Enter, Qt::KeypadModifier);  // and so does Enter
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        QTRY_COMPARE(QApplication::focusWidget(), appButton);
        a.key(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.tabBar());
        // The tab bar takes Left and Right.
        a.key(Qt::Key_Left);
        QCOMPARE(w.currentTab(), int(kSleepTab));
        QCOMPARE(QApplication::focusWidget(), w.tabBar());

        // History: Left picks the newest bar, then walks back; the panel shows the chosen day.
        a.key(Qt::Key_2, Qt::ControlModifier);
        HistoryScreen& history = *a.shell->historyScreen();
        QTRY_COMPARE(QApplication::focusWidget(), history.host());
        QTRY_COMPARE(history.controller().barCount(), 12);
        QTest::qWait(900);
        auto panelTitle = [&] { return history.controller().informationView()->titleLabel()->text().value_or(""); };
        a.key(Qt::Key_Left);
        QCOMPARE(history.keyboardBar(), 11);
        QCOMPARE(panelTitle(), history.controller().monthlySymbols()[11]);
        a.key(Qt::Key_Left);
        a.key(Qt::Key_Left);
        QCOMPARE(history.keyboardBar(), 9);
        QCOMPARE(panelTitle(), history.controller().monthlySymbols()[9]);
        QVERIFY(history.controller().barChartView()->selectionViewVisible());
        a.key(Qt::Key_Right);
        QCOMPARE(history.keyboardBar(), 10);
        a.key(Qt::Key_Escape);
        QCOMPARE(history.keyboardBar(), -1);
        QVERIFY(!history.controller().barChartView()->selectionViewVisible());
        // The range control: Right chooses the next range.
        history.rangeControl()->setFocus();
        a.key(Qt::Key_Right);
        QCOMPARE(history.controller().range(), HistoryRange::Week);
        a.key(Qt::Key_Left);
        QCOMPARE(history.controller().range(), HistoryRange::All);

        // Sleep: the list starts on the night on the pie (the newest).
        a.key(Qt::Key_3, Qt::ControlModifier);
        SleepScreen& sleep = *a.shell->sleepScreen();
        QTRY_VERIFY(sleep.table() && QApplication::focusWidget() == sleep.table());
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
        // Back in the list, Up and Return put the night before on the pie.
        sleep.table()->setFocus(Qt::TabFocusReason);
        a.key(Qt::Key_Up);
        a.key(Qt::Key_Return);
        QCOMPARE(sleep.selectedRow(), 1);
        QTRY_COMPARE(sleep.controller()->pieViewController()->slices().size(), size_t(4));

        // The backup question answers Export to Return.
        bool exported = false, imported = false;
        a.settings().chooseBackupFile = [&](bool save) {
            (save ? exported : imported) = true;
            return QString();
        };
        a.key(Qt::Key_4, Qt::ControlModifier);
        w.navigationBar(kSettingsTab)->rightButton()->click();
        QTRY_VERIFY(visibleBox());
        QCOMPARE(visibleBox()->defaultButton()->text(), a.tr("gui.export"));
        QTest::keyClick(visibleBox()->focusWidget() ? visibleBox()->focusWidget() : visibleBox(), Qt::Key_Return);
        QTRY_VERIFY(exported);
        QVERIFY(!imported);
    }

    void returnPressesEveryButtonAndPagesGoBackWhereTheyCameFrom() {
        App a(12, 3);
        MainWindow& w = a.window();
        // Today's hint: Return opens the picker over Today, and leaving it comes back to Today and the hint.
        QPushButton* hint = a.shell->todayScreen()->connectHint();
        QVERIFY(hint && hint->isVisible());
        hint->setFocus(Qt::TabFocusReason);
        a.key(Qt::Key_Return);
        QVERIFY(w.topModal());
        auto* picker = w.topModal()->findChild<PropertyPageView*>();
        QVERIFY(picker && picker->forgetButton());
        QCOMPARE(w.currentTab(), int(kTodayTab));
        // No band is chosen yet: there is nothing to forget.
        QVERIFY(!picker->forgetButton()->isEnabled());
        a.key(Qt::Key_Escape);
        QCOMPARE(w.modalCount(), 0);
        QCOMPARE(w.currentTab(), int(kTodayTab));
        QTRY_COMPARE(QApplication::focusWidget(), hint);

        // A time picker's − presses on Return, and the page stays.
        a.key(Qt::Key_4, Qt::ControlModifier);
        QWidget* alarm = a.openPageTitled(a.tr("Alarm"));
        QVERIFY(alarm);
        auto* hour = alarm->findChild<QSpinBox*>(QStringLiteral("hour"));
        const int before = hour->value();
        alarm->findChild<QWidget*>(QStringLiteral("hourDown"))->setFocus(Qt::TabFocusReason);
        a.key(Qt::Key_Return);
        QCOMPARE(w.topModal(), alarm);
        QCOMPARE(hour->value(), (before + 23) % 24);
        a.key(Qt::Key_Escape);
        QCOMPARE(w.modalCount(), 0);

        // On Present, as on every page with OK, Return saves: the focused greeting, ticked.
        QWidget* present = a.openPageTitled(a.tr("Present"));
        QVERIFY(present);
        auto* view = present->findChild<PropertyPageView*>();
        const int chosen = static_cast<int>((a.shell->settings().integerForKey("Present") + 2) % 17);
        view->table()->setFocus(Qt::TabFocusReason);
        view->table()->setKeyboardRow(RowPath{0, chosen});
        a.key(Qt::Key_Return);
        QCOMPARE(w.modalCount(), 0);
        QCOMPARE(a.shell->settings().integerForKey("Present"), chosen);

        // The picker says what Forget did, and then has nothing more to forget.
        a.shell->settings().setString(std::string(kChosenBand), "some band");
        QWidget* bands = a.openPage(0, 0);
        picker = bands->findChild<PropertyPageView*>();
        QVERIFY(picker->forgetButton()->isEnabled());
        picker->forgetButton()->setFocus(Qt::TabFocusReason);
        a.key(Qt::Key_Return);
        QTRY_VERIFY(visibleBox());
        QCOMPARE(visibleBox()->informativeText(), a.tr("BandForgotten"));
        a.settle();
        QVERIFY(!picker->forgetButton()->isEnabled());
        w.dismissModal(bands, false);

        // Ctrl+W closes the window and the companion stays; reopened, the window shows the tab it was closed on.
        a.key(Qt::Key_3, Qt::ControlModifier);
        bool freed = false;
        a.shell->onWindowFreed = [&] { freed = true; };
        a.key(Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(freed);
        QVERIFY(!a.shell->hasWindow() && !a.shell->quitting());
        a.shell->showWindow();
        QCOMPARE(a.window().currentTab(), int(kSleepTab));
        // Ctrl+Q ends the companion, as the menu's Quit does.
        QApplication::setActiveWindow(&a.window());
        a.key(Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(a.shell->quitting());
    }

    void aMonthOfTheYearStaysInsideItsPanelOnANarrowPhoneInChinese() {
        App a(60, 0, QStringLiteral("zh_CN"));
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

    void everyControlIsNamedAndTheSimulatedBandsReasonIsReadWhole_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << QStringLiteral("en");
        QTest::newRow("zh_CN") << QStringLiteral("zh_CN");
    }
    void everyControlIsNamedAndTheSimulatedBandsReasonIsReadWhole() {
        QFETCH(QString, language);
        Reader a(language, 3);
        MainWindow& w = a.window();
        QStringList problems;
        a.eachScreen([&](int, const QString&) { problems << unnamedIn(&w); });
        a.eachPage([&](QWidget*, const QString& caption) {
            for (const QString& p : unnamedIn(&w)) problems << caption + QStringLiteral(": ") + p;
        });
        // The questions and the App menu.
        a.eachQuestion([&](QMessageBox* box) { problems << unnamedIn(box); });
        QMenu* menu = a.openAppMenu();
        problems << unnamedIn(menu);
        menu->close();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        // Why the simulated band stands in, on a narrow phone: the title only says that the band is
        // simulated; the reason is the header, whole.
        a.window().resize(360, 640);
        QTRY_COMPARE(a.window().width(), 360);
        VantroAppDelegate& app = a.shell->appDelegate();
        app.tell(BackendChanged{true, "SimulatedNotRunning"});
        a.window().refreshTitle(kTodayTab);
        TableView* today = a.shell->todayScreen()->table();
        today->reloadData();
        NavigationBar* bar = a.window().navigationBar(kTodayTab);
        QVERIFY2(bar->titleFits(), qPrintable(bar->title()));
        QVERIFY(!bar->title().contains(a.tr("SimulatedNotRunning")));
        QVERIFY(a.shell->todayScreen()->headerTitle(0).contains(a.tr("SimulatedNotRunning")));
        QCOMPARE(today->cutTexts(), QStringList());
        QCOMPARE(iface(today)->child(0)->text(QAccessible::Name), a.shell->todayScreen()->headerTitle(0));
    }

    void chineseNamesAreJoinedWithTheChineseComma() {
        // (The English names of every control are walked by the keyboard above.)
        Reader zh(QStringLiteral("zh_CN"), 0);
        QCOMPARE(iface(&zh.window())->role(), QAccessible::Window);  // the app's frame, not a filler
        QWidget* zhAlarm = zh.openPageTitled(zh.tr("Alarm"));
        QVERIFY(zhAlarm);
        for (QWidget* part : zhAlarm->findChildren<QWidget*>()) {
            QAccessibleInterface* i = iface(part);
            const QString name = i ? i->text(QAccessible::Name) : QString();
            QVERIFY2(!name.contains(QLatin1Char(',')), qPrintable(name));
        }
        QCOMPARE(iface(zhAlarm->findChild<TimePicker*>()->hourField())->text(QAccessible::Name),
                 zhAlarm->findChild<TimePicker*>()->accessibleName() + QStringLiteral("，") + zh.tr("gui.time.hour"));
    }

    void theRelayPageListsAppsByTheirDesktopEntriesAndKeepsUpToDate() {
        // A desktop entry with a name in two languages and an icon, in a data directory of its own.
        QTemporaryDir data;
        QDir(data.path()).mkpath(QStringLiteral("applications"));
        QDir(data.path()).mkpath(QStringLiteral("icons/hicolor/48x48/apps"));
        QFile entry(data.filePath(QStringLiteral("applications/org.example.Chatty.desktop")));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write(
            "[Desktop Action New]\nName=Wrong group\n\n[Desktop Entry]\nType=Application\n"
            "Name=Chatty\\sChat\nName[zh_CN]=\xe8\x81\x8a\xe5\xa4\xa9\nIcon=chatty-icon\nExec=chatty\n");
        entry.close();
        QImage icon(48, 48, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QVERIFY(icon.save(data.filePath(QStringLiteral("icons/hicolor/48x48/apps/chatty-icon.png"))));
        const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS"), oldHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_DIRS", data.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (data.path() + QStringLiteral("/home")).toLocal8Bit());
        auto restore = qScopeGuard([&] {
            qputenv("XDG_DATA_DIRS", oldDirs);
            qputenv("XDG_DATA_HOME", oldHome);
        });

        {
            Reader a(QStringLiteral("en"), 0);
            a.shell->settings().setString(std::string(kRelayAppsSeen), "org.example.Chatty;Unknown.App");
            QWidget* page = a.openPageTitled(a.tr("RelayNotifications"));
            QVERIFY(page);
            auto* list = page->findChild<QListWidget*>(QStringLiteral("relayApps"));
            QVERIFY(list);
            QCOMPARE(iface(list)->text(QAccessible::Name), a.tr("RelayAppsHeader"));  // named by its header
            QCOMPARE(list->count(), 2);
            // By the entry's name and icon, the identifier kept for the reader; else by the identifier.
            QCOMPARE(list->item(0)->text(), QStringLiteral("Chatty Chat"));
            QVERIFY(!list->item(0)->icon().isNull());
            QCOMPARE(list->item(0)->toolTip(), QStringLiteral("org.example.Chatty"));
            QCOMPARE(list->item(1)->text(), QStringLiteral("Unknown.App"));
            QVERIFY(list->item(1)->icon().isNull());
            // Both apps say they can be ticked, the unticked one too.
            for (int i = 0; i < 2; ++i) QVERIFY(iface(list)->child(i)->state().checkable);
            // Ticking an app stores its identifier, not its name.
            list->item(0)->setCheckState(Qt::Checked);
            QCOMPARE(a.shell->settings().stringForKey(std::string(kRelayAppsChosen)).value_or(""),
                     std::string("org.example.Chatty"));
            // The page says what "chosen" means and how it stands to the "Message alert" switch.
            auto* hint = page->findChild<QLabel*>(QStringLiteral("relayChosenHint"));
            auto* note = page->findChild<QLabel*>(QStringLiteral("relayMessageNote"));
            QVERIFY(hint && hint->isVisible() && !hint->text().isEmpty());
            QVERIFY(note && note->isVisible() && note->text().contains(a.tr("Message")));
            // Tab goes through the choices, then the list, then round to the bar's button.
            const auto order = a.window().focusOrder();
            const auto at = [&](QWidget* w) { return std::find(order.begin(), order.end(), w) - order.begin(); };
            QStringList names;
            for (QWidget* stop : order)
                names << stop->objectName() + QLatin1Char(':') + stop->metaObject()->className();
            // (A group of choices is one stop: the one picked.)
            for (auto* choice : page->findChildren<QRadioButton*>())
                if (choice->isChecked()) QVERIFY2(at(choice) < at(list), qPrintable(names.join(QStringLiteral(", "))));
            QCOMPARE(static_cast<long>(order.size()) - 1, at(list));
            // An app seen while the page is open joins the list without reopening it.
            a.shell->settings().setString(std::string(kRelayAppsSeen),
                                          "org.example.Chatty;Unknown.App;org.example.New");
            QTRY_COMPARE(list->count(), 3);
            QCOMPARE(list->item(2)->text(), QStringLiteral("org.example.New"));
            QCOMPARE(list->item(0)->checkState(), Qt::Checked);
            // ... and is shown by its name once its desktop entry is installed.
            QFile added(data.filePath(QStringLiteral("applications/org.example.New.desktop")));
            QVERIFY(added.open(QIODevice::WriteOnly));
            added.write("[Desktop Entry]\nType=Application\nName=New Messenger\nExec=new\n");
            added.close();
            QTRY_COMPARE(list->item(2)->text(), QStringLiteral("New Messenger"));
            QCOMPARE(list->item(0)->checkState(), Qt::Checked);
            a.window().dismissModal(page, false);
        }

        // In Chinese the entry's Chinese name is shown.
        Reader zh(QStringLiteral("zh_CN"), 0);
        zh.shell->settings().setString(std::string(kRelayAppsSeen), "org.example.Chatty");
        QWidget* zhPage = zh.openPageTitled(zh.tr("RelayNotifications"));
        QVERIFY(zhPage);
        auto* zhList = zhPage->findChild<QListWidget*>(QStringLiteral("relayApps"));
        QCOMPARE(zhList->item(0)->text(), QString::fromUtf8("\xe8\x81\x8a\xe5\xa4\xa9"));
    }

    void everyItemIsReadWithItsNameValueAndState() {
        Reader a(QStringLiteral("en"), 3);
        // Section headings come before their rows, are headings, and take no focus.
        QAccessibleInterface* list = iface(a.settings().table());
        QList<QString> headings;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface* item = list->child(i);
            if (item->role() != QAccessible::Heading) continue;
            headings << item->text(QAccessible::Name);
            QVERIFY(!item->state().focusable);
            QVERIFY(i + 1 < list->childCount() && list->child(i + 1)->role() == QAccessible::ListItem);
        }
        QList<QString> titled;
        for (int section = 0; section < a.settings().sectionCount(); ++section)
            if (!a.settings().headerTitle(section).isEmpty()) titled << a.settings().headerTitle(section);
        QVERIFY(titled.size() >= 3);
        QCOMPARE(headings, titled);

        // Today: the sync line is the heading, then the rows, caption as name and what they show as value.
        QAccessibleInterface* today = iface(a.shell->todayScreen()->table());
        QCOMPARE(today->role(), QAccessible::List);
        QVERIFY(today->childCount() >= 8);
        QCOMPARE(today->child(0)->role(), QAccessible::Heading);
        QCOMPARE(today->child(1)->text(QAccessible::Name), a.tr("Steps"));
        QCOMPARE(today->child(1)->text(QAccessible::Value), QStringLiteral("-- steps"));
        QCOMPARE(today->child(4)->text(QAccessible::Value), QStringLiteral("-- cal"));
        QCOMPARE(today->indexOfChild(today->child(3)), 3);
        QCOMPARE(today->child(3)->parent(), today);
        // The hint over the rows is a button a reader can press.
        QAccessibleInterface* hint = iface(a.shell->todayScreen()->connectHint());
        QCOMPARE(hint->role(), QAccessible::Button);
        QCOMPARE(hint->text(QAccessible::Name), a.tr("gui.today.connectHint"));

        // Tabs: names, the selected one, and pressing one switches.
        QAccessibleInterface* tabs = iface(a.window().tabBar());
        QCOMPARE(tabs->role(), QAccessible::PageTabList);
        QCOMPARE(tabs->childCount(), 4);
        QCOMPARE(tabs->child(2)->text(QAccessible::Name), a.tr("tab.sleep"));
        QVERIFY(tabs->child(0)->state().selected);
        QVERIFY(!tabs->child(1)->state().selected);
        tabs->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(a.window().currentTab(), int(kHistoryTab));
        QVERIFY(tabs->child(1)->state().selected);

        // Bars: the date and the steps; a point on a bar finds that bar.
        HistoryScreen& history = *a.shell->historyScreen();
        QTRY_COMPARE(history.controller().barCount(), 4);
        QVERIFY(!history.emptyLabel() || !history.emptyLabel()->isVisible());  // with data the empty text goes
        QTest::qWait(600);
        QAccessibleInterface* chart = iface(history.host());
        QCOMPARE(chart->role(), QAccessible::Chart);
        QAccessibleInterface* bar = chart->child(3);
        QVERIFY(bar);
        QCOMPARE(bar->text(QAccessible::Name), QString::fromStdString(history.controller().monthlySymbols()[3]));
        QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("%1 steps").arg(4000 + 250));
        const QPoint onBar = history.host()->mapToGlobal(history.barCentre(2)->toPoint());
        QCOMPARE(chart->childAt(onBar.x(), onBar.y()), chart->child(2));
        // The range control's segments have names too.
        QAccessibleInterface* ranges = iface(history.rangeControl());
        QCOMPARE(ranges->childCount(), 4);
        QCOMPARE(ranges->child(1)->text(QAccessible::Name), a.tr("RangeWeek"));
        QVERIFY(ranges->child(0)->state().checked);

        // The sleep list: "selected" and "checked" both mean the night on the pie, which a press chooses;
        // the keyboard's row is the focused one. Slices: the phase and its minutes.
        a.window().setCurrentTab(kSleepTab);
        SleepScreen& sleep = *a.shell->sleepScreen();
        QTRY_VERIFY(sleep.table() && sleep.rowCount(0) == 3);
        QAccessibleInterface* nights = iface(sleep.table());
        QCOMPARE(nights->childCount(), 3);
        nights->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(sleep.selectedRow(), 0);
        sleep.table()->setFocus();
        sleep.table()->setKeyboardRow(RowPath{0, 1});
        QVERIFY(nights->child(0)->state().checked && nights->child(0)->state().selected);
        QVERIFY(!nights->child(1)->state().selected && !nights->child(1)->state().checked);
        QVERIFY(nights->child(1)->state().focused);
        QVERIFY(!nights->child(0)->state().focused);
        QTRY_COMPARE(sleep.controller()->pieViewController()->slices().size(), size_t(4));
        QAccessibleInterface* pie = iface(sleep.host());
        QCOMPARE(pie->childCount(), 4);
        QCOMPARE(pie->child(1)->text(QAccessible::Name), a.tr("DeepTime"));
        QCOMPARE(pie->child(1)->text(QAccessible::Value), QStringLiteral("%1 minutes").arg(95 + 3));

        // The navigation bar is named by its title.
        QCOMPARE(iface(a.window().navigationBar(kSettingsTab))->text(QAccessible::Name), a.settings().title());
    }

    void everyScreenFitsAtEverySize_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("tablet");
        QTest::addColumn<QString>("language");
        for (const QSize s : {QSize(360, 640), QSize(375, 667), QSize(768, 1024), QSize(1280, 800)})
            QTest::newRow(qPrintable(QStringLiteral("phone %1x%2").arg(s.width()).arg(s.height())))
                << s << false << QStringLiteral("en");
        QTest::newRow("phone at the window's minimum") << MainWindow::kMinimumSize << false << QStringLiteral("en");
        QTest::newRow("phone 360x640 zh_CN") << QSize(360, 640) << false << QStringLiteral("zh_CN");
        QTest::newRow("tablet 768x1024") << QSize(768, 1024) << true << QStringLiteral("en");
        QTest::newRow("tablet 1280x800") << QSize(1280, 800) << true << QStringLiteral("en");
    }
    void everyScreenFitsAtEverySize() {
        QFETCH(QSize, size);
        QFETCH(bool, tablet);
        QFETCH(QString, language);
        Sized a(language, tablet, 20, 8);
        a.window().resize(size);
        QTRY_COMPARE(a.window().size(), size);
        QStringList problems;
        auto check = [&](const QString& screen) {
            QApplication::processEvents();
            for (const QString& p : misfits(&a.window())) problems << screen + QStringLiteral(": ") + p;
        };
        a.eachScreen([&](int tab, const QString& title) {
            if (tab == kSleepTab) {
                SleepScreen& sleep = *a.shell->sleepScreen();
                QTRY_VERIFY(sleep.rowCount(0) > 0);
                sleep.table()->tapRow(0, sleep.rowCount(0) - 1);  // a night on the pie
                // Its labels are drawn scaled with the pie: at least 10 px high on screen.
                const auto pie = sleep.controller()->pieViewController()->pieView();
                QVERIFY(pie);
                QVERIFY2(pie->layer().font().size * sleep.host()->rootScale() >= 9.999,
                         qPrintable(QString::number(pie->layer().font().size * sleep.host()->rootScale())));
            }
            check(title);
            // The tab bar stays on screen and the screen fills the rest.
            const QRect bar(a.window().tabBar()->mapTo(&a.window(), QPoint(0, 0)), a.window().tabBar()->size());
            QCOMPARE(bar.bottom(), size.height() - 1);
            QCOMPARE(bar.width(), size.width());
        });
        a.eachPage([&](QWidget* page, const QString& caption) {
            QCOMPARE(page->geometry(), a.window().rect());
            check(caption);
        });
        a.eachQuestion([&](QMessageBox* box) { problems << boxMisfits(box, &a.window()); });
        // The App menu opens under its button and stays within the window's width.
        QMenu* menu = a.openAppMenu();
        const QRect window(a.window().mapToGlobal(QPoint(0, 0)), size);
        if (menu->geometry().left() < window.left() || menu->geometry().right() > window.right())
            problems << QStringLiteral("App menu %1 wide at x %2 leaves the window")
                            .arg(menu->width())
                            .arg(menu->geometry().left() - window.left());
        menu->close();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void everyTargetIsAFingersAndEveryRingShows() {
        // At the smallest phone size; run again at scale 2 (QT_SCALE_FACTOR) by its own ctest entry.
        Sized a(QStringLiteral("en"), false, 20, 8, QSize(360, 640));
        QStringList problems;
        a.eachScreen([&](int, const QString& title) { problems << targetsAndRings(a.window(), title); }, true);
        // The letter index is finger-sized or not there at all.
        if (!a.settings().table()->sectionIndexRect().isNull())
            problems << QStringLiteral("the settings index shows on a phone");
        a.shell->settings().setString(std::string(kRelayAppsSeen), "org.example.Chatty;Unknown.App");
        a.eachPage([&](QWidget* page, const QString& caption) {
            // The relay page's list takes taps once a choice lets the apps be switched.
            if (auto* list = page->findChild<QListWidget*>(QStringLiteral("relayApps"))) {
                for (QRadioButton* choice : page->findChildren<QRadioButton*>())
                    if (!list->isEnabled()) choice->click();
                QVERIFY(list->isEnabled() && list->count() == 2);
            }
            problems << targetsAndRings(a.window(), caption);
        });
        // The App menu's items.
        QMenu* menu = a.openAppMenu();
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && menu->actionGeometry(action).height() < 44)
                problems << QStringLiteral("App menu: %1 is %2 high")
                                .arg(action->text())
                                .arg(menu->actionGeometry(action).height());
        menu->close();
        for (const QString& p : problems) qWarning("%s", qPrintable(p));  // the failure's message is cut short
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void theWindowResizesAndNeverGoesBelowThePhoneMinimum() {
        Sized a(QStringLiteral("en"), false, 10, 0);
        QVERIFY(a.window().minimumSize().width() <= 360 && a.window().minimumSize().height() <= 480);
        QVERIFY(a.window().maximumSize().width() >= 1280);  // no longer fixed
        a.window().resize(200, 300);
        QTRY_COMPARE(a.window().size(), a.window().minimumSize());
        // The chart is scaled into what it gets: a bar's centre stays on that bar after a resize.
        a.window().setCurrentTab(kHistoryTab);
        HistoryScreen& history = *a.shell->historyScreen();
        QTRY_VERIFY(history.controller().barCount() == 10);
        a.window().resize(1280, 800);
        QTRY_COMPARE(a.window().width(), 1280);
        QTest::qWait(900);  // the bars have grown in
        const auto at = history.barCentre(3);
        QVERIFY(at);
        QVERIFY(at->x() > 300);  // not where the reference layout would put it
        QTest::mousePress(history.host(), Qt::LeftButton, {}, at->toPoint());
        QCOMPARE(history.controller().informationView()->titleLabel()->text().value_or(""),
                 history.controller().monthlySymbols()[3]);
        QTest::mouseRelease(history.host(), Qt::LeftButton, {}, at->toPoint());
    }

    void emptyScreensSayWhatToDoAndBackupsStartInTheDocuments() {
        Sized a;
        TodayScreenView& today = *a.shell->todayScreen();
        QPushButton* hint = today.connectHint();
        QVERIFY(hint && hint->isVisible());
        QCOMPARE(hint->text(), QStringLiteral("Connect your band in Settings → Wristband"));
        // Above the rows, where a first look falls.
        QVERIFY(hint->geometry().bottom() < today.table()->rectForRow(0, 0).top());

        a.window().setCurrentTab(kHistoryTab);
        HistoryScreen& history = *a.shell->historyScreen();
        QTRY_VERIFY(history.emptyLabel() && history.emptyLabel()->isVisible());
        QCOMPARE(history.emptyLabel()->text(), a.tr("gui.history.empty"));

        a.window().setCurrentTab(kSleepTab);
        SleepScreen& sleep = *a.shell->sleepScreen();
        QTRY_VERIFY(sleep.table());
        QCOMPARE(sleep.rowCount(0), 0);
        QCOMPARE(sleep.table()->emptyText(), a.tr("gui.sleep.empty"));
        QVERIFY(!sleep.hint()->isVisible());  // "choose a night below" has nothing below

        // The backup dialogs start in the last folder used, else in the documents.
        QTemporaryDir home;
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString fallback = QDir(documents).exists() ? documents : QDir::homePath();
        QCOMPARE(a.settings().backupFolder(), fallback);
        QDir(home.path()).mkdir(QStringLiteral("saved"));
        a.settings().rememberBackupFolder(home.filePath(QStringLiteral("saved/backup.json")));
        QCOMPARE(a.settings().backupFolder(), home.filePath(QStringLiteral("saved")));
        a.settings().rememberBackupFolder(QString());  // a cancelled dialog forgets nothing
        QCOMPARE(a.settings().backupFolder(), home.filePath(QStringLiteral("saved")));
        QDir(home.filePath(QStringLiteral("saved"))).removeRecursively();
        QCOMPARE(a.settings().backupFolder(), fallback);  // a folder that went is not offered
    }

    void resetWithoutABandSaysTheDataWentAndChineseHasItsOwnWords() {
        Sized a(QStringLiteral("zh_CN"));
        // The question's buttons from the catalog.
        a.window().setCurrentTab(kSettingsTab);
        a.settings().table()->tapRow(4, 2);
        QTRY_VERIFY(visibleBox());
        QStringList labels;
        for (QAbstractButton* b : visibleBox()->buttons()) labels << b->text();
        labels.sort();
        QCOMPARE(labels, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
        app_test::clickBoxButton(visibleBox(), QStringLiteral("确定"));
        // Erased and said so, though no band was there to reset.
        QTRY_VERIFY(visibleBox() && visibleBox()->informativeText() == a.tr("txtResetDoneNoBand"));
        QVERIFY(visibleBox()->informativeText().contains(QStringLiteral("没有连接手环")));
        visibleBox()->buttons().front()->click();
    }
};

QTEST_MAIN(UsabilityTest)
#include "usability_test.moc"
