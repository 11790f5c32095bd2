// SPDX-License-Identifier: MIT
// The today tab's header line: why Bluetooth cannot be used, else when the band was last synced.
#include "gui/today_screen_view.h"

#include "fake_ble.h"
#include "platform/manual_run_loop.h"
#include "session/session.h"
#include "sim/simulated_band_source.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vantro;
using namespace vantro::gui;

namespace {

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

class TodayScreenViewTest : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(TodayScreenViewTest)
#include "today_screen_view_test.moc"
