// SPDX-License-Identifier: MIT
// The today tab's header line: why Bluetooth cannot be used, else when the band was last synced.
#include "gui/today_screen_view.h"

#include "fake_ble.h"
#include "platform/manual_run_loop.h"
#include "session/session.h"
#include "sim/simulated_band_source.h"

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
        auto central = std::make_shared<testing::FakeCentral>();
        FixedBandSource source([&] { return central; }, false);
        SessionPorts ports{{loop, log, localizer, settings}};
        ports.dataDir = dir.path().toStdString();
        Session session(ports, source);
        VantroViewController& controller = session.today();
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
        // With Bluetooth usable the line tells when the band was last synced.
        changeTo(BleCentralState::PoweredOn);
        QCOMPARE(today.headerTitle(0), QStringLiteral("NeverSynced"));
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
        QCOMPARE(today.headerTitle(0), QStringLiteral("NeverSynced"));
        QCOMPARE(table->rectForRow(0, 0).top(), firstRow);
    }
};

QTEST_MAIN(TodayScreenViewTest)
#include "today_screen_view_test.moc"
