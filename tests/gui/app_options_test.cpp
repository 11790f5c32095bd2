// SPDX-License-Identifier: MIT
// The app's command line: accepted options and clear refusals.
#include "gui/app_options.h"

#include <QTest>

using vantro::gui::parseOptions;

class AppOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void everyOptionIsRead() {
        QString error;
        const auto o = parseOptions(
            {"--simulate", "--data-dir", "/tmp/x", "--lang", "zh_CN", "--tablet", "--screenshots", "/tmp/shots"},
            error);
        QVERIFY(o);
        QCOMPARE(o->wristband, vantro::gui::WristbandChoice::Simulated);
        QVERIFY(o->tablet);
        QCOMPARE(o->dataDir, QStringLiteral("/tmp/x"));
        QCOMPARE(o->language, QStringLiteral("zh_CN"));
        QCOMPARE(o->screenshotsDir, QStringLiteral("/tmp/shots"));
    }

    void defaultsToTheAutomaticChoiceOnAPhone() {
        QString error;
        const auto o = parseOptions({}, error);
        QVERIFY(o);
        QCOMPARE(o->wristband, vantro::gui::WristbandChoice::Automatic);
        QVERIFY(!o->tablet);
        QVERIFY(o->screenshotsDir.isEmpty());
    }

    void bluezIsChosenByName() {
        QString error;
        const auto o = parseOptions({"--bluez", "--bluez"}, error);
        QVERIFY(o);
        QCOMPARE(o->wristband, vantro::gui::WristbandChoice::Bluez);
    }

    void badArgumentsAreRefusedWithAReason_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown") << QStringList{"--colour"} << "unknown argument '--colour'";
        QTest::newRow("language") << QStringList{"--lang", "fr"} << "--lang must be en or zh_CN, not 'fr'";
        QTest::newRow("missing value") << QStringList{"--data-dir"} << "--data-dir needs a value";
        QTest::newRow("option as value") << QStringList{"--screenshots", "--tablet"} << "--screenshots needs a value";
        QTest::newRow("two wristbands") << QStringList{"--bluez", "--simulate"}
                                        << "--simulate and --bluez exclude each other";
    }
    void badArgumentsAreRefusedWithAReason() {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!parseOptions(args, error));
        QCOMPARE(error, reason);
    }
};

QTEST_MAIN(AppOptionsTest)
#include "app_options_test.moc"
