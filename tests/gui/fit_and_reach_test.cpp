// SPDX-License-Identifier: MIT
// Every screen at phone, tablet and desktop sizes: controls inside the window, no text cut; the texts
// of empty screens and of the reset.
#include "app_under_test.h"

#include "charts/label.h"
#include "gui/controls.h"
#include "gui/history_screen.h"
#include "gui/sleep_screen.h"
#include "gui/tab_bar.h"
#include "gui/today_screen_view.h"
#include "platform/setting_keys.h"
#include "screens/chart_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "screens/sleep_pie_view.h"
#include "screens/sleep_pie_view_controller.h"

#include <QDir>
#include <cmath>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStandardPaths>

using namespace vantro;
using namespace vantro::gui;
using app_test::visibleBox;

namespace {

QString nameOf(const QWidget* w) {
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    return w->parentWidget() ? nameOf(w->parentWidget()) + QLatin1Char('/') + name : name;
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
        const QString where = nameOf(w);
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
            check(seg->segmentRect(i), nameOf(w) + QStringLiteral(" segment %1").arg(i));
    } else if (auto* tabs = qobject_cast<TabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) check(tabs->tabRect(i), QStringLiteral("tab %1").arg(i));
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i)
            check(list->visualItemRect(list->item(i)), nameOf(w) + QStringLiteral(" row %1").arg(i));
    } else {
        check(w->rect(), nameOf(w));
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
                .arg(where, nameOf(w))
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

using App = app_test::AppUnderTest;

}  // namespace

class FitAndReachTest : public QObject {
    Q_OBJECT
private slots:
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
        App a(language, tablet, 20, 8);
        a.window().resize(size);
        QTRY_COMPARE(a.window().size(), size);
        QStringList problems;
        auto check = [&](const QString& screen) {
            QApplication::processEvents();
            for (const QString& p : misfits(&a.window())) problems << screen + QStringLiteral(": ") + p;
        };
        for (int tab : {kTodayTab, kHistoryTab, kSleepTab, kSettingsTab}) {
            a.window().setCurrentTab(tab);
            if (tab == kSleepTab) {
                SleepScreen& sleep = *a.shell->sleepScreen();
                QTRY_VERIFY(sleep.table() && sleep.rowCount(0) > 0);
                sleep.table()->tapRow(0, sleep.rowCount(0) - 1);  // a night on the pie
                // Its labels are drawn scaled with the pie: at least 10 px high on screen.
                const auto pie = sleep.controller()->pieViewController()->pieView();
                QVERIFY(pie);
                QVERIFY2(pie->layer().font().size * sleep.host()->rootScale() >= 9.999,
                         qPrintable(QString::number(pie->layer().font().size * sleep.host()->rootScale())));
            }
            if (tab == kHistoryTab) QTRY_VERIFY(a.shell->historyScreen()->controller().barCount() > 0);
            check(a.window().navigationBar(tab)->title());
            // The tab bar stays on screen and the screen fills the rest.
            const QRect bar(a.window().tabBar()->mapTo(&a.window(), QPoint(0, 0)), a.window().tabBar()->size());
            QCOMPARE(bar.bottom(), size.height() - 1);
            QCOMPARE(bar.width(), size.width());
        }
        const auto pages = a.pageRows();
        QVERIFY(pages.size() >= 8);
        for (const auto& [s, r] : pages) {
            a.settings().table()->tapRow(s, r);
            QWidget* page = a.window().topModal();
            QVERIFY(page);
            QCOMPARE(page->geometry(), a.window().rect());
            check(QStringLiteral("page %1.%2").arg(s).arg(r));
            a.window().dismissModal(page, false);
        }
        a.eachQuestion([&](QMessageBox* box) { problems << boxMisfits(box, &a.window()); });
        // The App menu opens under its button and stays within the window's width.
        QPushButton* appButton = a.window().navigationBar(kSettingsTab)->leftButton();
        QVERIFY(appButton);
        appButton->click();
        auto* menu = a.window().findChild<QMenu*>(QStringLiteral("appMenu"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
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
        App a(QStringLiteral("en"), false, 20, 8, QSize(360, 640));
        QStringList problems;
        for (int tab : {kTodayTab, kHistoryTab, kSleepTab, kSettingsTab}) {
            a.window().setCurrentTab(tab);
            if (tab == kSleepTab) QTRY_VERIFY(a.shell->sleepScreen()->table());
            if (tab == kHistoryTab) {
                a.shell->historyScreen()->rangeControl()->setSelectedIndex(1);  // weeks: the arrows work
                QTRY_VERIFY(a.shell->historyScreen()->controller().barCount() > 0);
            }
            problems << targetsAndRings(a.window(), a.window().navigationBar(tab)->title());
        }
        // The letter index is finger-sized or not there at all.
        if (!a.settings().table()->sectionIndexRect().isNull())
            problems << QStringLiteral("the settings index shows on a phone");
        a.shell->settings().setString(std::string(kRelayAppsSeen), "org.example.Chatty;Unknown.App");
        for (const auto& [s, r] : a.pageRows()) {
            a.settings().table()->tapRow(s, r);
            QVERIFY(a.window().topModal());
            // The relay page's list takes taps once a choice lets the apps be switched.
            if (auto* list = a.window().topModal()->findChild<QListWidget*>(QStringLiteral("relayApps"))) {
                for (QRadioButton* choice : a.window().topModal()->findChildren<QRadioButton*>())
                    if (!list->isEnabled()) choice->click();
                QVERIFY(list->isEnabled() && list->count() == 2);
            }
            problems << targetsAndRings(a.window(), a.settings().row(s, r).caption);
            a.window().dismissModal(a.window().topModal(), false);
        }
        // The App menu's items.
        QPushButton* appButton = a.window().navigationBar(kSettingsTab)->leftButton();
        appButton->click();
        auto* menu = a.window().findChild<QMenu*>(QStringLiteral("appMenu"));
        QTRY_VERIFY(menu->isVisible());
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
        App a(QStringLiteral("en"), false, 10, 0);
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
        App a;
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
        App a(QStringLiteral("zh_CN"));
        // Units and the question's buttons from the catalog.
        QCOMPARE(a.shell->todayScreen()->detailText(0), QStringLiteral("-- 步"));
        QCOMPARE(a.shell->todayScreen()->detailText(3), QStringLiteral("-- 卡"));
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

QTEST_MAIN(FitAndReachTest)
#include "fit_and_reach_test.moc"
