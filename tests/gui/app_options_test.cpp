// SPDX-License-Identifier: MIT
// The app's command line: accepted options and clear refusals.
#include "gui/app_options.h"

#include <QTemporaryDir>
#include <QTest>

using vantro::gui::parseOptions;

class AppOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void everyOptionIsRead() {
        QString error;
        auto o = parseOptions(
            {"--simulate", "--data-dir", "/tmp/x", "--lang=zh_CN", "--tablet", "--screenshots=/tmp/shots", "--verbose"},
            error);
        QVERIFY2(o, qPrintable(error));
        QVERIFY(o->verbose);
        QCOMPARE(o->wristband, vantro::gui::WristbandChoice::Simulated);
        QVERIFY(o->tablet);
        QCOMPARE(o->dataDir, QStringLiteral("/tmp/x"));
        QCOMPARE(o->language, QStringLiteral("zh_CN"));
        QCOMPARE(o->screenshotsDir, QStringLiteral("/tmp/shots"));

        // Without options: the automatic choice, on a phone.
        o = parseOptions({}, error);
        QVERIFY(o);
        QCOMPARE(o->wristband, vantro::gui::WristbandChoice::Automatic);
        QVERIFY(!o->tablet);
        const auto bluez = parseOptions({"--bluez", "--bluez"}, error);
        QVERIFY(bluez && bluez->wristband == vantro::gui::WristbandChoice::Bluez);
        QVERIFY(parseOptions({"-h"}, error)->help);  // help and version need nothing else
        QVERIFY(parseOptions({"--version"}, error)->version);
    }

    void optionsARunningCompanionDoesNotTakeAreNamed() {
        QString error;
        using vantro::gui::notForTheRunningCompanion;
        QCOMPARE(notForTheRunningCompanion(*parseOptions({}, error)), QString());
        QCOMPARE(notForTheRunningCompanion(*parseOptions({"--verbose"}, error)), QString());
        const QString lang = notForTheRunningCompanion(*parseOptions({"--lang", "zh_CN"}, error));
        QVERIFY2(lang.contains(QStringLiteral("--lang zh_CN not applied")), qPrintable(lang));
        QVERIFY(lang.contains(QStringLiteral("vantro --quit")));
        QVERIFY(!lang.contains(QLatin1Char('\n')));
        const QString all =
            notForTheRunningCompanion(*parseOptions({"--tablet", "--simulate", "--data-dir=/d"}, error));
        QVERIFY2(all.contains(QStringLiteral("--data-dir /d, --tablet, --simulate not applied")), qPrintable(all));
    }

    void badArgumentsAreRefusedWithAReason_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown") << QStringList{"--colour"} << "Unknown option 'colour'.";
        QTest::newRow("positional") << QStringList{"shots"} << "unexpected argument 'shots'";
        QTest::newRow("language") << QStringList{"--lang", "fr"} << "unknown language 'fr' (known: en, zh_CN)";
        QTest::newRow("missing value") << QStringList{"--data-dir"} << "Missing value after '--data-dir'.";
        // An empty directory must not silently mean the user's own data.
        QTest::newRow("empty data dir") << QStringList{"--data-dir", ""}
                                        << "--data-dir needs a value, not an empty one";
        QTest::newRow("empty data dir =") << QStringList{"--data-dir="} << "--data-dir needs a value, not an empty one";
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

    void aDataDirectoryMustBeUsable() {
        QTemporaryDir tmp;
        const QString file = tmp.filePath("file");
        QFile(file).open(QIODevice::WriteOnly);
        QCOMPARE(vantro::gui::dataDirProblem(tmp.filePath("new/dir")), QString());
        QVERIFY(QFileInfo(tmp.filePath("new/dir")).isDir());
        QCOMPARE(vantro::gui::dataDirProblem(file), QStringLiteral("data directory '%1' is not a directory").arg(file));
        QVERIFY(!vantro::gui::dataDirProblem(file + "/below").isEmpty());
    }
};

QTEST_MAIN(AppOptionsTest)
#include "app_options_test.moc"
