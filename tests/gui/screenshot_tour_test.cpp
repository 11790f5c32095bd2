// SPDX-License-Identifier: MIT
// The screenshot tour writes a non-empty PNG of the window's size (× 2) for every view, phone and tablet.
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString g_app;

struct Tour {
    int exitCode = -1;
    QString out;
    QStringList pictures;
};

Tour runTour(const QString& dir, const QStringList& extra) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the app picks offscreen itself
    p.setProcessEnvironment(env);
    p.start(g_app, QStringList{QStringLiteral("--screenshots"), dir} + extra);
    Tour t;
    if (!p.waitForFinished(180000)) return t;
    t.exitCode = p.exitCode();
    t.out = QString::fromUtf8(p.readAllStandardOutput());
    t.pictures = QDir(dir).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    return t;
}

}  // namespace

class ScreenshotTourTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(QFile::exists(g_app), "pass the path of the vantro binary"); }

    void tour_data() {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("small");  // a second round at 360 x 640
        QTest::newRow("phone, English") << QStringList{"--lang", "en"} << QSize(750, 1334) << true;
        QTest::newRow("phone, Chinese") << QStringList{"--lang", "zh_CN"} << QSize(750, 1334) << true;
        QTest::newRow("tablet") << QStringList{"--lang", "en", "--tablet"} << QSize(1536, 2048) << false;
    }
    void tour() {
        QFETCH(QStringList, extra);
        QFETCH(QSize, size);
        QFETCH(bool, small);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString shots = dir.filePath(QStringLiteral("shots"));  // created by the tour
        const Tour t = runTour(shots, extra);
        QCOMPARE(t.exitCode, 0);
        // One picture per view: the four tabs at least, each named in the output.
        QVERIFY2(t.pictures.size() >= 4, qPrintable(t.pictures.join(", ")));
        for (const char* name : {"today", "history", "history-week", "history-week-past", "history-month",
                                 "history-year", "sleep", "settings"})
            QVERIFY2(!t.pictures.filter(name).isEmpty(), qPrintable(name));
        for (const char* name :
             {"small-today", "small-history", "small-sleep", "small-settings", "small-factory-reset"})
            QVERIFY2(t.pictures.filter(name).isEmpty() != small, qPrintable(name));
        QVERIFY(t.out.contains(QDir(shots).absolutePath()));
        for (const QString& f : t.pictures) {
            const QString path = QDir(shots).filePath(f);
            QVERIFY2(t.out.contains(path), qPrintable(path));
            QVERIFY2(QFileInfo(path).size() > 1000, qPrintable(f));
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("png"));
            QCOMPARE(reader.size(), f.contains(QLatin1String("-small-")) ? QSize(720, 1280) : size);
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(f));
            // Not a blank page: a real view has many colours.
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 7)
                for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
            QVERIFY2(colours.size() > 20, qPrintable(f));
        }
    }

    void anUnwritableDirectoryFails() {
        const Tour t = runTour(QStringLiteral("/proc/vantro-cannot-write-here"), {});
        QVERIFY(t.exitCode != 0);
    }
};

int main(int argc, char** argv) {
    // The first argument is the app; the rest go to QtTest.
    if (argc > 1) {
        g_app = QString::fromLocal8Bit(argv[1]);
        for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
        --argc;
    }
    QCoreApplication app(argc, argv);
    ScreenshotTourTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "screenshot_tour_test.moc"
