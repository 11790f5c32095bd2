// SPDX-License-Identifier: MIT
// The main window: tab switching with appearance callbacks, modal pages.
#include "gui/main_window.h"

#include "gui/navigation_bar.h"
#include "gui/screen.h"
#include "gui/tab_bar.h"

#include <QPointer>
#include <QTest>

using namespace vantro::gui;

namespace {

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

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
