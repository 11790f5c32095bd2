// SPDX-License-Identifier: MIT
// The log's levels: routine lines stay quiet until asked for, warnings always pass.
#include "qt/qt_log.h"

#include <QTest>

namespace {
QStringList g_messages;
void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    g_messages << QStringLiteral("%1 %2 %3").arg(type == QtWarningMsg ? "warning" : "debug", context.category, message);
}
}  // namespace

class QtLogTest : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(QtLogTest)
#include "qt_log_test.moc"
