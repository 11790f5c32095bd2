// SPDX-License-Identifier: MIT
// The today tab's Bluetooth state line: it says why Bluetooth cannot be used and goes once it can.
#include "gui/today_screen_view.h"

#include "fake_ble.h"
#include "platform/manual_run_loop.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vantro;
using namespace vantro::gui;

class TodayScreenViewTest : public QObject {
    Q_OBJECT
private slots:
    void theStateLineFollowsTheCentralAndMakesRoomForItself() {
        QTemporaryDir dir;
        ManualRunLoop loop;
        NullLog log;
        IdentityLocalizer localizer;
        MemoryKeyValueStore settings;
        VantroAppDelegate app(AppPorts{loop, log, localizer, settings});
        auto central = std::make_shared<testing::FakeCentral>();
        VantroViewController controller(
            app, [&] { return central; }, dir.path().toStdString());
        controller.viewDidLoad();
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
        changeTo(BleCentralState::PoweredOn);
        QCOMPARE(today.headerTitle(0), QString());
        const double firstRow = table->rectForRow(0, 0).top();

        // The line appears without a reload by the caller, and the rows move down to make room.
        changeTo(BleCentralState::PoweredOff);
        QCOMPARE(today.headerTitle(0), QStringLiteral("BluetoothOff"));
        QVERIFY2(table->rectForRow(0, 0).top() > firstRow, "the state line has no room above the rows");
        changeTo(BleCentralState::Unauthorized);
        QCOMPARE(today.headerTitle(0), QStringLiteral("BluetoothUnauthorized"));
        // The central's own reason says more than its state.
        changeTo(BleCentralState::Unsupported, "BluetoothNotRunning");
        QCOMPARE(today.headerTitle(0), QStringLiteral("BluetoothNotRunning"));

        changeTo(BleCentralState::PoweredOn);
        QCOMPARE(today.headerTitle(0), QString());
        QCOMPARE(table->rectForRow(0, 0).top(), firstRow);
    }
};

QTEST_MAIN(TodayScreenViewTest)
#include "today_screen_view_test.moc"
