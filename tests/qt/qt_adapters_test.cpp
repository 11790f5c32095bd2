// SPDX-License-Identifier: MIT
// The Qt Core adapters: the run loop on Qt's event loop (order of posted calls, timers, cancelling, calls from
// other threads) and the log's levels (routine lines stay quiet until asked for, warnings always pass).
#include "qt/qt_log.h"
#include "qt/qt_run_loop.h"

#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

using vantro::qt::QtRunLoop;

namespace {
QStringList g_messages;
void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    g_messages << QStringLiteral("%1 %2 %3").arg(type == QtWarningMsg ? "warning" : "debug", context.category, message);
}
}  // namespace

class QtAdaptersTest : public QObject {
    Q_OBJECT
private slots:
    void postedCallsRunInOrderOnALaterTurn() {
        QtRunLoop loop;
        std::vector<int> order;
        loop.post([&] {
            order.push_back(1);
            // Posted from inside a turn: runs after everything already queued.
            loop.post([&] { order.push_back(4); });
        });
        loop.post([&] { order.push_back(2); });
        loop.post([&] { order.push_back(3); });
        QVERIFY(order.empty());  // nothing runs inside post
        QTRY_COMPARE(order.size(), size_t(4));
        QCOMPARE(order, (std::vector<int>{1, 2, 3, 4}));
    }

    void cancelledPostAndTimerNeverRun() {
        QtRunLoop loop;
        int ran = 0;
        const auto posted = loop.post([&] { ++ran; });
        const auto timer = loop.after(0.01, [&] { ++ran; });
        loop.cancel(posted);
        loop.cancel(timer);
        loop.cancel(987654);  // unknown ids are harmless
        QTest::qWait(60);
        QCOMPARE(ran, 0);
        QCOMPARE(loop.activeTimerCount(), size_t(0));
    }

    void oneShotTimersFireInDueOrderAndAreForgotten() {
        QtRunLoop loop;
        std::vector<int> order;
        const double start = loop.now();
        double firedAt = 0;
        loop.after(0.08, [&] { order.push_back(3); });
        loop.after(0.02, [&] {
            order.push_back(1);
            firedAt = loop.now();
        });
        loop.after(0.05, [&] { order.push_back(2); });
        QTRY_COMPARE(order.size(), size_t(3));
        QCOMPARE(order, (std::vector<int>{1, 2, 3}));
        QVERIFY2(firedAt - start >= 0.019, "a timer must not fire early");
        QCOMPARE(loop.activeTimerCount(), size_t(0));
    }

    void repeatingTimerRunsUntilItCancelsItself() {
        QtRunLoop loop;
        int count = 0;
        vantro::TimerId id = 0;
        id = loop.every(0.01, [&] {
            if (++count == 3) loop.cancel(id);
        });
        QTRY_COMPARE(count, 3);
        QTest::qWait(60);
        QCOMPARE(count, 3);
        QCOMPARE(loop.activeTimerCount(), size_t(0));
    }

    void postFromAnotherThreadRunsOnTheLoopThread() {
        QtRunLoop loop;
        std::atomic<int> ran{0};
        std::thread::id ranOn;
        const auto main = std::this_thread::get_id();
        std::thread worker([&] {
            for (int i = 0; i < 100; ++i) {
                loop.post([&] {
                    ranOn = std::this_thread::get_id();
                    ++ran;
                });
            }
        });
        worker.join();
        QTRY_COMPARE(ran.load(), 100);
        QVERIFY(ranOn == main);
    }

    void oddDelaysDoNotBreakTheLoop() {
        QtRunLoop loop;
        int ran = 0;
        loop.after(-5, [&] { ++ran; });
        loop.after(std::numeric_limits<double>::quiet_NaN(), [&] { ++ran; });
        const auto id = loop.every(0, [&] { ++ran; });  // at least 1 ms apart, not a busy loop
        QTRY_VERIFY(ran >= 4);
        loop.cancel(id);
    }

    void routineLinesAppearOnlyWhenVerbose() {
        qunsetenv("QT_LOGGING_RULES");
        const auto previous = qInstallMessageHandler(capture);
        vantro::qt::QtLog log;
        log.log("scanning ble device!-----");
        log.warning("创建表失败！");
        vantro::qt::enableVerboseLogging();
        log.log("更新数据");
        qInstallMessageHandler(previous);
        QCOMPARE(g_messages, (QStringList{"warning vantro 创建表失败！", "debug vantro 更新数据"}));
        QCOMPARE(vantro::logThreshold(), vantro::LogLevel::Debug);
    }
};

QTEST_MAIN(QtAdaptersTest)
#include "qt_adapters_test.moc"
