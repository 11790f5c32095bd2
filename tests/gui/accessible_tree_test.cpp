// SPDX-License-Identifier: MIT
// What a screen reader is told, read through Qt's accessibility tree: on every screen, page, question
// and menu, every control the keyboard can reach has a name and a role; headings, lists and the chosen
// night read as they should.
#include "app_under_test.h"

#include "app/vantro_app_delegate.h"
#include "gui/controls.h"
#include "gui/tab_bar.h"
#include "gui/history_screen.h"
#include "gui/sleep_screen.h"
#include "gui/today_screen_view.h"
#include "screens/chart_view_controller.h"
#include "screens/sleep_main_view_controller.h"
#include "screens/sleep_pie_view_controller.h"
#include "settings/properties_view_controller.h"
#include "platform/setting_keys.h"

#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QListWidget>
#include <QMenu>
#include <QScopeGuard>
#include <QSpinBox>

using namespace vantro;
using namespace vantro::gui;
using app_test::visibleBox;

namespace {

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

struct App : app_test::AppUnderTest {
    App(const QString& language, int nights) : AppUnderTest(language, false, 4, nights) {}
};

}  // namespace

class AccessibleTreeTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlIsNamedAndTheSimulatedBandsReasonIsReadWhole_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << QStringLiteral("en");
        QTest::newRow("zh_CN") << QStringLiteral("zh_CN");
    }
    void everyControlIsNamedAndTheSimulatedBandsReasonIsReadWhole() {
        QFETCH(QString, language);
        App a(language, 3);
        MainWindow& w = a.window();
        QStringList problems;
        for (int tab : {kTodayTab, kHistoryTab, kSleepTab, kSettingsTab}) {
            w.setCurrentTab(tab);
            if (tab == kSleepTab) QTRY_VERIFY(a.shell->sleepScreen()->table());
            QApplication::processEvents();
            problems << unnamedIn(&w);
        }
        const auto pages = a.pageRows();
        QVERIFY(pages.size() >= 10);
        for (const auto& [s, r] : pages) {
            const QString caption = a.settings().row(s, r).caption;
            QWidget* page = a.openPage(s, r);
            QVERIFY(page);
            for (const QString& p : unnamedIn(&w)) problems << caption + QStringLiteral(": ") + p;
            w.dismissModal(page, false);
            QApplication::processEvents();
        }
        // The questions and the App menu.
        a.eachQuestion([&](QMessageBox* box) { problems << unnamedIn(box); });
        w.navigationBar(kSettingsTab)->leftButton()->click();
        auto* menu = w.findChild<QMenu*>(QStringLiteral("appMenu"));
        QTRY_VERIFY(menu && menu->isVisible());
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
        // (The English names of every control are walked by keyboard_walk_test.)
        App zh(QStringLiteral("zh_CN"), 0);
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
            App a(QStringLiteral("en"), 0);
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
        App zh(QStringLiteral("zh_CN"), 0);
        zh.shell->settings().setString(std::string(kRelayAppsSeen), "org.example.Chatty");
        QWidget* zhPage = zh.openPageTitled(zh.tr("RelayNotifications"));
        QVERIFY(zhPage);
        auto* zhList = zhPage->findChild<QListWidget*>(QStringLiteral("relayApps"));
        QCOMPARE(zhList->item(0)->text(), QString::fromUtf8("\xe8\x81\x8a\xe5\xa4\xa9"));
    }

    void everyItemIsReadWithItsNameValueAndState() {
        App a(QStringLiteral("en"), 3);
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
        // A month of the year reads as its panel does: 51863 steps over six days, 8643 a day (not 8644).
        for (int d = 1; d <= 6; ++d)
            a.shell->appDelegate().m_db->updateData(CalendarDate{2020, 3, d}, d < 6 ? 8643 : 8648, 0, 0, 0, 0, 0);
        ChartViewController& years = history.controller();
        years.setRange(HistoryRange::Year);
        years.showPage(years.pageCount() - 1);
        int march = -1;
        for (int i = 0; i < years.barCount(); ++i)
            if (!years.barIsEmpty(i) && years.bars()[static_cast<size_t>(i)].title.find("2020") != std::string::npos)
                march = i;
        QVERIFY(march >= 0);
        QCOMPARE(chart->child(march)->text(QAccessible::Value), QStringLiteral("8643 ") + a.tr("StepsPerDay"));
        years.setRange(HistoryRange::All);
        // The range control's segments and the paging arrows have names too.
        QAccessibleInterface* ranges = iface(history.rangeControl());
        QCOMPARE(ranges->childCount(), 4);
        QCOMPARE(ranges->child(1)->text(QAccessible::Name), a.tr("RangeWeek"));
        QVERIFY(ranges->child(0)->state().checked);
        QCOMPARE(iface(history.olderButton())->text(QAccessible::Name), a.tr("OlderPeriod"));

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

        // The navigation bar's title and buttons.
        QCOMPARE(iface(a.window().navigationBar(kSettingsTab))->text(QAccessible::Name), a.settings().title());
        QCOMPARE(iface(a.window().navigationBar(kSettingsTab)->rightButton())->text(QAccessible::Name),
                 a.tr("gui.backup"));
    }
};

QTEST_MAIN(AccessibleTreeTest)
#include "accessible_tree_test.moc"
