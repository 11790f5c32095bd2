// SPDX-License-Identifier: MIT
// The shell's parts on their own: the alarm sound's module (opened at the first alarm, not before; without it,
// notification only), the notifier (back to the app when active, to the desktop service when there is one, else
// in the app), the drawing port on QPainter, the view host, the row table, the main window and the today tab's
// header line.
#include "charts/chart_value_view.h"
#include "charts/label.h"
#include "charts/ui_context.h"
#include "gui/alarm_sound.h"
#include "gui/app_fonts.h"
#include "gui/main_window.h"
#include "gui/navigation_bar.h"
#include "gui/qt_canvas.h"
#include "gui/qt_notifier.h"
#include "gui/screen.h"
#include "gui/tab_bar.h"
#include "gui/table_view.h"
#include "gui/today_screen_view.h"
#include "gui/view_host.h"
#include "platform/manual_run_loop.h"
#include "qt/qt_run_loop.h"
#include "session/session.h"
#include "sim/simulated_band_source.h"

#include "fake_ble.h"
#include "message_boxes.h"
#include "notification_mock.h"

#include <QApplication>
#include <QDBusMetaType>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

using namespace vantro;
using namespace vantro::gui;
using vantro::testing::closeBoxes;
using vantro::testing::visibleBox;

namespace {

QStringList g_messages;
void collect(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_messages << text;
}

/// Whether this process has loaded the sound module or Qt Multimedia.
bool audioLibrariesLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = maps.readAll();
    return all.contains("vantro-sound.so") || all.contains("libQt6Multimedia");
}

const LocalNotification kOutOfRange{"无法找到蓝牙手环！", "OK", "alarm-sound.wav", true};
const LocalNotification kNotice{"Vantro keeps running in the background.", "", "", false};

long visibleBoxes() {
    const auto widgets = QApplication::topLevelWidgets();
    return std::count_if(widgets.begin(), widgets.end(), [](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        return box && box->isVisible();
    });
}

/// The hints of every Notify call the mock service saw, by the notification's body.
std::map<QString, QVariantMap> hintsByBody() {
    std::map<QString, QVariantMap> out;
    for (const QVariantList& args : vantro::testing::notifyCalls()) {
        if (args.size() < 7) continue;
        QVariantMap hints;
        if (args[6].canConvert<QDBusArgument>()) args[6].value<QDBusArgument>() >> hints;
        for (auto it = hints.begin(); it != hints.end(); ++it)
            it.value() = vantro::testing::unwrapDBusVariant(it.value());
        out[args[4].toString()] = hints;
    }
    return out;
}

template <typename Draw>
QImage paint(Draw draw, int w = 100, int h = 100) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    {
        QtCanvas canvas(p);
        draw(canvas);
    }
    return img;
}

int alphaAt(const QImage& img, int x, int y) {
    return qAlpha(img.pixel(x, y));
}

class RecordingView : public View {
public:
    using View::View;
    void touchesBegan(const std::vector<Touch>& t) override { events.push_back(tag("began", t)); }
    void touchesMoved(const std::vector<Touch>& t) override { events.push_back(tag("moved", t)); }
    void touchesEnded(const std::vector<Touch>& t) override { events.push_back(tag("ended", t)); }
    std::string tag(const char* what, const std::vector<Touch>& t) const {
        const Point p = t.front().locationInView(*this);
        return std::string(what) + " " + std::to_string(static_cast<int>(p.x)) + "," +
               std::to_string(static_cast<int>(p.y));
    }
    std::vector<std::string> events;
};

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

class FakeSource : public TableSource {
public:
    int sectionCount() const override { return 2; }
    int rowCount(int s) const override { return s == 0 ? 3 : 20; }
    QString headerTitle(int s) const override { return s == 0 ? QStringLiteral("First") : QString(); }
    double rowHeight(int s, int) const override { return s == 0 ? 50 : 66; }
    TableRow row(int s, int r) override {
        ++rowsBuilt;
        return {QStringLiteral("Row %1.%2").arg(s).arg(r), QStringLiteral("detail"), s == 0 ? "bluetooth.png" : "",
                s == 0 ? Accessory::Disclosure : Accessory::None, CellStyle::Value1};
    }
    void didSelect(int s, int r) override { selected.push_back({s, r}); }
    void visibleRowsChanged(const std::set<RowPath>& rows) override { visible = rows; }
    QStringList sectionIndexTitles() const override { return index; }

    std::vector<RowPath> selected;
    std::set<RowPath> visible;
    QStringList index;
    int rowsBuilt = 0;
};

void send(QWidget* w, QEvent::Type type, QPointF pos) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPointF from, QPointF to, int steps = 10) {
    send(w, QEvent::MouseButtonPress, from);
    for (int i = 1; i <= steps; ++i) send(w, QEvent::MouseMove, from + (to - from) * (double(i) / steps));
    send(w, QEvent::MouseButtonRelease, to);
}

/// A table of 375 points wide over a fresh source.
struct Table {
    explicit Table(int height = 400, bool shown = true, const QStringList& index = {}) {
        source.index = index;
        view.resize(375, height);
        view.setSource(&source);
        if (shown) view.show();
    }
    FakeSource source;
    TableView view;
};

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

class PartsTest : public QObject {
    Q_OBJECT
private slots:
    // Runs first: the module, once loaded, stays for the rest of the process.
    void theModuleIsOpenedAtTheFirstAlarmAndPlaysOrSaysThereIsNoOutput() {
        AlarmSound sound;
        QVERIFY(sound.isLoaded());
        QVERIFY(!sound.outputOpened());
        sound.stop();
        QVERIFY(!audioLibrariesLoaded());
        sound.play(1);
        QVERIFY(sound.outputOpened());
        QVERIFY(audioLibrariesLoaded());
        QCOMPARE(sound.requestedPlays(), 2);
        const QString output = sound.outputDescription();
        QVERIFY2(output.startsWith(QStringLiteral("alarm sound: audio output \"")) ||
                     output == QStringLiteral("alarm sound: no audio output; the alarm shows only its notification"),
                 qPrintable(output));
        // With an output the sound plays.
        if (!output.contains(QStringLiteral("no audio output"))) QVERIFY(sound.isPlaying());
        sound.stop();
        QVERIFY(!sound.isPlaying());
        // Qt's sample loader leaks what it holds when the effect dies mid-load; let it finish.
        QTest::qWait(300);
    }

    void aMissingModuleLeavesTheNotificationOnlyWithOneWarning() {
        AlarmSound sound(QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                         QStringLiteral("/nonexistent/lib/vantro/vantro-sound.so"));
        QVERIFY(sound.isLoaded());  // not known before the alarm
        g_messages.clear();
        const QtMessageHandler outer = qInstallMessageHandler(collect);
        sound.play(1);
        sound.play(1);
        const QString described = sound.outputDescription();
        qInstallMessageHandler(outer);
        QCOMPARE(g_messages.size(), 1);
        QVERIFY2(g_messages.front().startsWith(QStringLiteral("alarm sound: no sound module (")),
                 qPrintable(g_messages.front()));
        QVERIFY(g_messages.front().endsWith(QStringLiteral("; the alarm shows only its notification")));
        QVERIFY(!sound.isLoaded());
        QVERIFY(!sound.isPlaying());
        QVERIFY(!sound.outputOpened());
        QCOMPARE(sound.requestedPlays(), 0);
        QVERIFY(described.endsWith(QStringLiteral("the alarm shows only its notification")));
        // The vibration alert needs no module.
        int vibrated = 0;
        connect(&sound, &AlarmSound::vibrated, this, [&] { ++vibrated; });
        sound.vibrate();
        QCOMPARE(vibrated, 1);
    }

    void aLibraryThatIsNotTheSoundModuleIsRefused() {
        // Qt Core is a shared library, but has no sound player in it.
        AlarmSound sound(QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")), QStringLiteral("libQt6Core.so.6"));
        g_messages.clear();
        const QtMessageHandler outer = qInstallMessageHandler(collect);
        sound.play(0);
        qInstallMessageHandler(outer);
        QCOMPARE(g_messages.size(), 1);
        QVERIFY(!sound.isLoaded());
        QVERIFY(!sound.isPlaying());
    }

    // Runs only with feedbackd on the session bus (the feedbackd test starts the real daemon with a theme
    // whose alarm is a 0.3-second dummy feedback and nothing else).
    void feedbackdTakesTheAlarmLoopedUntilItEnds() {
        AlarmSound sound(QUrl(QStringLiteral("qrc:/sounds/alarm-sound.wav")),
                         QStringLiteral("/nonexistent/lib/vantro/vantro-sound.so"));
        if (!sound.feedbackd().available()) QSKIP("no org.sigxcpu.Feedback on the session bus");
        QVERIFY2(sound.outputDescription().startsWith(QStringLiteral("alarm: through feedbackd")),
                 qPrintable(sound.outputDescription()));
        QVERIFY(sound.isLoaded());
        QSignalSpy ended(&sound.feedbackd(), &vantro::gui::FeedbackdAlarm::ended);
        sound.play(1);
        QVERIFY(sound.playedThroughFeedbackd());
        QVERIFY(sound.isPlaying());
        QTRY_VERIFY(sound.feedbackd().eventId() != 0);
        const uint id = sound.feedbackd().eventId();
        // Looped: well past one round of the theme's alarm it still runs (an event the theme does not
        // know, or one run once, would have ended). The app's own sound stays shut.
        QTest::qWait(1000);
        QVERIFY(sound.isPlaying());
        QCOMPARE(ended.count(), 0);
        QVERIFY(!sound.outputOpened());
        sound.stop();
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).toUInt(), id);
        QVERIFY(!sound.isPlaying());

        // Ended before the daemon has said its id: ended as soon as it does.
        sound.play(1);
        sound.stop();
        QTRY_COMPARE(ended.count(), 2);
        QVERIFY(ended.at(1).at(0).toUInt() != id);
        QTest::qWait(500);
        QCOMPARE(ended.count(), 2);
        QVERIFY(!sound.isPlaying());
        QVERIFY(!sound.outputOpened());
    }

    void cleanup() { closeBoxes(); }

    // Active, or in the background without a desktop service: back to the app's receiver on a later turn.
    void theAppGetsTheNotificationBackOnALaterTurn() {
        qt::QtRunLoop loop;
        QtNotifier notifier(loop);
        for (auto [state, route] : {std::pair{AppState::Active, QtNotifier::Route::Receiver},
                                    std::pair{AppState::Background, QtNotifier::Route::InApp}}) {
            if (state == AppState::Background && notifier.desktopServiceAvailable()) continue;
            notifier.setApplicationStateOverride(state);
            std::vector<LocalNotification> received;
            notifier.setReceiver([&](const LocalNotification& n) { received.push_back(n); });
            notifier.presentLocalNotificationNow(kOutOfRange);
            QCOMPARE(notifier.lastRoute(), route);
            QVERIFY(received.empty());
            QTRY_COMPARE(received.size(), size_t(1));
            QCOMPARE(received[0].alertBody, kOutOfRange.alertBody);
            QCOMPARE(received[0].alertAction, std::string("OK"));
        }
    }

    void withoutReceiverTheNotificationBecomesAMessageBox() {
        qt::QtRunLoop loop;
        QtNotifier notifier(loop);
        notifier.setApplicationStateOverride(AppState::Active);
        notifier.setAppName(QStringLiteral("Vantro"));
        notifier.presentLocalNotificationNow(kOutOfRange);
        QTRY_VERIFY(visibleBox() != nullptr);
        QCOMPARE(visibleBox()->text(), QStringLiteral("Vantro"));
        QCOMPARE(visibleBox()->informativeText(), QString::fromStdString(kOutOfRange.alertBody));

        // Withdrawn: its box goes, another's stays; one withdrawn before it was shown never shows.
        notifier.showAlert("Vantro", kNotice.alertBody, "OK");
        QTRY_COMPARE(visibleBoxes(), 2L);
        notifier.withdrawLocalNotification(kOutOfRange);
        QTRY_COMPARE(visibleBoxes(), 1L);
        QCOMPARE(visibleBox()->informativeText(), QString::fromStdString(kNotice.alertBody));
        closeBoxes();
        notifier.presentLocalNotificationNow(kOutOfRange);
        notifier.withdrawLocalNotification(kOutOfRange);
        QTest::qWait(100);
        QVERIFY(visibleBox() == nullptr);
    }

    // Runs only with a notification service on the bus (the dbus test runs a mock one).
    void desktopService() {
        qt::QtRunLoop loop;
        QtNotifier notifier(loop);
        if (!notifier.desktopServiceAvailable()) QSKIP("no org.freedesktop.Notifications on the session bus");
        notifier.setApplicationStateOverride(AppState::Background);
        std::vector<LocalNotification> received;
        notifier.setReceiver([&](const LocalNotification& n) { received.push_back(n); });
        QSignalSpy sent(&notifier, &QtNotifier::desktopNotificationSent);
        notifier.presentLocalNotificationNow(kOutOfRange);
        QCOMPARE(notifier.lastRoute(), QtNotifier::Route::Desktop);
        QTRY_COMPARE(sent.count(), 1);
        const uint id = sent.at(0).at(0).toUInt();
        QVERIFY(received.empty());  // on the desktop now, not in the app

        // The service saw the body, the "OK" action and the app icon.
        const std::vector<QVariantList> calls = vantro::testing::notifyCalls();
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].value(4).toString(), QString::fromStdString(kOutOfRange.alertBody));
        QVERIFY2(calls[0].value(5).toStringList().contains(QStringLiteral("OK")),
                 qPrintable(calls[0].value(5).toStringList().join(", ")));
        QCOMPARE(calls[0].value(2).toString(), QStringLiteral("vantro"));  // the app icon's theme name

        // Only the alarm is critical (it stays on a phone's screen and breaks through do-not-disturb), with
        // the category of a device in trouble; a notice is of normal urgency and has no category.
        notifier.presentLocalNotificationNow(kNotice);
        QTRY_COMPARE(sent.count(), 2);
        const auto hints = hintsByBody();
        const QString alarmBody = QString::fromStdString(kOutOfRange.alertBody);
        const QString noticeBody = QString::fromStdString(kNotice.alertBody);
        QVERIFY(hints.count(alarmBody) && hints.count(noticeBody));
        QCOMPARE(hints.at(alarmBody).value(QStringLiteral("urgency")).toInt(), 2);
        QCOMPARE(hints.at(alarmBody).value(QStringLiteral("category")).toString(), QStringLiteral("device.error"));
        QCOMPARE(hints.at(noticeBody).value(QStringLiteral("urgency")).toInt(), 1);
        QVERIFY(!hints.at(noticeBody).contains(QStringLiteral("category")));
        QCOMPARE(hints.at(noticeBody).value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("org.vantro.Vantro"));

        // A click on it brings the notification back to the app; another application's id is not ours.
        auto invoke = [](uint notification) {
            QDBusMessage m = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
            m << QStringLiteral("org.freedesktop.Notifications") << QStringLiteral("ActionInvoked")
              << QStringLiteral("us")
              << QVariantList{QVariant::fromValue(QDBusVariant(notification)),
                              QVariant::fromValue(QDBusVariant(QStringLiteral("default")))};
            return QDBusConnection::sessionBus().call(m);
        };
        const QDBusMessage emitted = invoke(id);
        QVERIFY2(emitted.type() == QDBusMessage::ReplyMessage, qPrintable(emitted.errorMessage()));
        QTRY_COMPARE(received.size(), size_t(1));
        QCOMPARE(received[0].alertBody, kOutOfRange.alertBody);
        invoke(id + 1000);
        QTest::qWait(100);
        QCOMPARE(received.size(), size_t(1));

        // The alarm over: its notice is closed on the desktop (the notice that can wait stays), and one
        // withdrawn while the service was still taking it is closed as soon as its id is known.
        QSignalSpy withdrawn(&notifier, &QtNotifier::desktopNotificationWithdrawn);
        notifier.presentLocalNotificationNow(kOutOfRange);
        QTRY_COMPARE(sent.count(), 3);
        const uint second = sent.at(2).at(0).toUInt();
        notifier.withdrawLocalNotification(kOutOfRange);
        QCOMPARE(withdrawn.count(), 1);
        QTRY_COMPARE(vantro::testing::closedNotificationIds(), (QList<uint>{second}));
        notifier.presentLocalNotificationNow(kOutOfRange);
        notifier.withdrawLocalNotification(kOutOfRange);
        QTRY_COMPARE(vantro::testing::closedNotificationIds().size(), 2);
        QCOMPARE(sent.count(), 3);  // never announced as sent
        QVERIFY(!vantro::testing::closedNotificationIds().contains(sent.at(1).at(0).toUInt()));
    }

    void initTestCase() { gui::AppFonts::install(); }

    void arcsFillWhereThePathContainsThePoint_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<bool>("clockwise");
        const double pi = std::numbers::pi;
        QTest::newRow("quarter towards +y") << 0.0 << pi / 2 << false;
        QTest::newRow("quarter clockwise") << 0.0 << -pi / 2 << true;
        QTest::newRow("wrapping 270 degrees") << pi / 2 << 0.0 << false;
        QTest::newRow("pie slice from the top") << -pi / 2 << pi / 6 << false;
    }
    void arcsFillWhereThePathContainsThePoint() {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(bool, clockwise);
        // A ring segment like a pie slice: outer arc one way, inner arc back.
        Path slice;
        slice.arc({50, 50}, 40, start, end, clockwise);
        slice.arc({50, 50}, 15, end, start, !clockwise);
        slice.closeSubpath();
        const QImage img = paint([&](Canvas& c) { c.fillPath(slice, Color::black()); });
        int checked = 0;
        for (int y = 2; y < 100; y += 4) {
            for (int x = 2; x < 100; x += 4) {
                const Point p{x + 0.5, y + 0.5};
                // Skip pixels on the edge, where antialiasing blends.
                bool edge = false;
                for (double dx : {-1.5, 1.5})
                    for (double dy : {-1.5, 1.5}) edge |= slice.contains({p.x + dx, p.y + dy}) != slice.contains(p);
                if (edge) continue;
                const bool inside = slice.contains(p);
                QVERIFY2(
                    (alphaAt(img, x, y) > 200) == inside,
                    qPrintable(QStringLiteral("pixel %1,%2 should be %3").arg(x).arg(y).arg(inside ? "set" : "clear")));
                ++checked;
            }
        }
        QVERIFY(checked > 400);
    }

    void clipAlphaAndStateStack() {
        const QImage img = paint([](Canvas& c) {
            c.save();
            c.clipToRect({10, 10, 30, 30});
            c.fillRect({0, 0, 100, 100}, Color::black());
            c.restore();
            c.restore();  // unbalanced: ignored
            c.save();
            c.setAlpha(0.5);
            c.fillRect({60, 60, 20, 20}, Color::black());
            c.restore();
            c.fillRect({60, 0, 20, 20}, Color::black());  // alpha back to 1
        });
        QCOMPARE(alphaAt(img, 20, 20), 255);
        QCOMPARE(alphaAt(img, 5, 5), 0);
        QCOMPARE(alphaAt(img, 45, 20), 0);
        QVERIFY(std::abs(alphaAt(img, 70, 70) - 128) <= 2);
        QCOMPARE(alphaAt(img, 70, 10), 255);
    }

    void gradientFillsTheClipFromOpaqueToClear() {
        // The selection band: opaque at the bottom, transparent at the top.
        const QImage img = paint([](Canvas& c) {
            c.clipToRect({20, 0, 40, 100});
            c.drawLinearGradient({40, 100}, {40, 0}, {{0, Color::white()}, {1, Color::white().withAlpha(0)}});
        });
        QVERIFY(alphaAt(img, 40, 97) > 240);
        QVERIFY(alphaAt(img, 40, 2) < 15);
        QVERIFY(alphaAt(img, 40, 50) > 100 && alphaAt(img, 40, 50) < 155);
        QCOMPARE(alphaAt(img, 10, 97), 0);  // outside the clip
    }

    void transformsMoveWhatIsDrawn() {
        const QImage img = paint([](Canvas& c) {
            c.translate(50, 50);
            c.rotate(std::numbers::pi / 2);  // +x now points down the screen
            c.fillRect({10, -2, 20, 4}, Color::black());
        });
        QCOMPARE(alphaAt(img, 50, 70), 255);
        QCOMPARE(alphaAt(img, 70, 50), 0);
    }

    void textUsesThePinnedFacesAndMeasuresAsDrawn() {
        const QFont bold = gui::qtFontFor({"HelveticaNeue-Bold", 24});
        QCOMPARE(bold.weight(), QFont::Bold);
        QCOMPARE(bold.families().contains(QStringLiteral("DejaVu Sans")), true);
        QCOMPARE(bold.pixelSize(), 24);
        QCOMPARE(gui::qtFontFor({"HelveticaNeue-Light", 14}).weight(), QFont::Normal);
        QCOMPARE(gui::qtFontFor({"HelveticaNeue", 20}).weight(), QFont::Normal);

        const Font font{"HelveticaNeue", 20};
        const Size size = gui::QtTextMeasurer().measureText("12345", font);
        QVERIFY(size.width > 40 && size.width < 80);
        QVERIFY(size.height >= 20 && size.height < 30);
        // Right-aligned text ends at the rectangle's right edge.
        const QImage img = paint(
            [&](Canvas& c) {
                c.drawText("12345", {0, 10, 190, 30}, font, Color::black(), TextAlignment::Right);
            },
            200, 50);
        int rightmost = -1, leftmost = 200;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 50; ++y)
                if (alphaAt(img, x, y) > 60) {
                    rightmost = std::max(rightmost, x);
                    leftmost = std::min(leftmost, x);
                }
        QVERIFY2(rightmost <= 190 && rightmost >= 180, qPrintable(QString::number(rightmost)));
        QVERIFY(190 - leftmost <= size.width + 2);
    }

    void textShadowIsDrawnUnderTheText() {
        const QImage img = paint([](Canvas& c) {
            c.setShadow(Shadow{{0, 3}, 0, Color::black()});
            c.drawText("I", {10, 10, 50, 30}, {"HelveticaNeue-Bold", 24}, Color::white(), TextAlignment::Left);
        });
        bool white = false, black = false;
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 100; ++y) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) == 255 && qRed(p) > 240) white = true;
                if (qAlpha(p) == 255 && qRed(p) < 15) black = true;
            }
        QVERIFY(white);
        QVERIFY(black);
    }

    void valueAndUnitShareABaselineWithTheShippedFaces() {
        // Found in the pixels: the lowest row each label inks, for texts without descenders, both long
        // enough to be shrunk to their half of the panel as on a phone.
        ManualRunLoop loop;
        gui::QtTextMeasurer text;
        UiContext ui(loop, text);
        const auto lowestInk = [](Label& label) {
            const Rect f = label.frame();
            const QImage img = paint(
                [&](Canvas& c) {
                    c.translate(0, f.y);
                    label.drawRect(c, {0, 0, f.width, f.height});
                },
                static_cast<int>(f.width), 300);
            for (int y = img.height() - 1; y >= 0; --y)
                for (int x = 0; x < img.width(); ++x)
                    if (qAlpha(img.pixel(x, y)) > 128) return y;
            return -1;
        };
        for (const char* value : {"12345", "8"}) {
            for (const char* unit : {"kilometres", "km"}) {
                ChartValueView view(ui, {0, 0, 300, 130});
                view.valueLabel()->setText(value);
                view.unitLabel()->setText(unit);
                view.layoutSubviews();
                const int v = lowestInk(*view.valueLabel()), u = lowestInk(*view.unitLabel());
                QVERIFY(v > 0);
                QVERIFY2(std::abs(v - u) <= 1,
                         qPrintable(QStringLiteral("%1 %2: %3 %4").arg(value, unit).arg(v).arg(u)));
            }
        }
    }

    void drawsTheTreeAndRoutesTheMouseToTheViewItBeganOn() {
        qt::QtRunLoop loop;
        gui::QtTextMeasurer text;
        UiContext ui(loop, text);
        auto root = std::make_shared<View>(ui);
        root->setBackgroundColor(Color::white());
        auto target = std::make_shared<RecordingView>(ui, Rect{20, 30, 100, 50});
        target->setBackgroundColor(Color::rgb255(8, 188, 239));
        root->addSubview(target);
        ViewHost host(ui, root);
        host.resize(200, 200);
        host.show();
        QCOMPARE(root->frame(), (Rect{0, 0, 200, 200}));

        const QImage img = host.grab().toImage();
        QCOMPARE(QColor(img.pixel(50, 50)), QColor(8, 188, 239));
        QCOMPARE(QColor(img.pixel(5, 5)), QColor(Qt::white));

        QTest::mousePress(&host, Qt::LeftButton, {}, QPoint(30, 40));
        QMouseEvent move(QEvent::MouseMove, QPointF(150, 150), host.mapToGlobal(QPointF(150, 150)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&host, &move);
        QTest::mouseRelease(&host, Qt::LeftButton, {}, QPoint(150, 150));
        // Moves and the end follow the finger outside the view, in its coordinates.
        QCOMPARE(target->events, (std::vector<std::string>{"began 10,10", "moved 130,120", "ended 130,120"}));

        // A press outside any interactive subview reaches the root only.
        target->events.clear();
        QTest::mouseClick(&host, Qt::LeftButton, {}, QPoint(180, 10));
        QVERIFY(target->events.empty());
    }

    // Each animation frame asks the host to repaint, not only the first and the last; the clock stops after.
    void animationFramesRepaintTheHostUntilTheAnimationEnds() {
        qt::QtRunLoop loop;
        gui::QtTextMeasurer text;
        UiContext ui(loop, text);
        auto root = std::make_shared<View>(ui);
        auto box = std::make_shared<View>(ui, Rect{0, 0, 20, 20});
        root->addSubview(box);
        ViewHost host(ui, root);
        host.resize(200, 100);
        host.show();
        PaintCounter paints;
        host.installEventFilter(&paints);
        bool done = false;
        ui.animator().animate(
            {0.5},
            [&] {
                box->setFrame({180, 0, 20, 20});
            },
            [&](bool finished) { done = finished; });
        QTRY_VERIFY(done);
        QVERIFY2(paints.count >= 10, qPrintable(QString::number(paints.count)));
        QTest::qWait(50);
        const int settled = paints.count;
        QTest::qWait(200);
        QCOMPARE(paints.count, settled);
        QVERIFY(!ui.animator().isTicking());
    }

    void layoutPutsHeadersAboveTheirRows() {
        Table t(400, false);
        auto& [source, view] = t;
        const QRectF first = view.rectForRow(0, 0);
        QCOMPARE(first.height(), 50.0);
        QVERIFY(first.top() > 20);  // the header "First" sits above it
        QCOMPARE(view.rectForRow(0, 1).top(), first.bottom());
        QCOMPARE(view.rectForRow(1, 0).height(), 66.0);
        QVERIFY(view.rectForRow(1, 0).top() > view.rectForRow(0, 2).bottom());  // a gap between sections
        QVERIFY(view.rectForRow(2, 0).isNull());
        QVERIFY(view.rectForRow(1, 20).isNull());
    }

    void aTapSelectsTheRowUnderIt() {
        Table t;
        auto& [source, view] = t;
        QSignalSpy tapped(&view, &TableView::rowTapped);
        QTest::mouseClick(&view, Qt::LeftButton, {}, view.rectForRow(0, 1).center().toPoint());
        QCOMPARE(source.selected.size(), size_t(1));
        QCOMPARE(source.selected[0], (RowPath{0, 1}));
        QCOMPARE(tapped.count(), 1);
        // Between sections there is no row.
        const QPointF gap(100, (view.rectForRow(0, 2).bottom() + view.rectForRow(1, 0).top()) / 2);
        QTest::mouseClick(&view, Qt::LeftButton, {}, gap.toPoint());
        QCOMPARE(source.selected.size(), size_t(1));
    }

    void aDragScrollsAndSelectsNothing() {
        Table t;
        auto& [source, view] = t;
        drag(&view, {100, 350}, {100, 150});
        QVERIFY(source.selected.empty());
        QVERIFY(std::abs(view.contentOffset() - 200) < 1);
        // Scrolling never goes past the end.
        view.setContentOffset(1e6);
        QCOMPARE(view.contentOffset(), view.contentHeight() - 400);
    }

    void rowsOnScreenAreReportedAsTheyChange() {
        Table t(400, false);
        auto& [source, view] = t;
        QVERIFY(source.visible.count({0, 0}));
        QVERIFY(!source.visible.count({1, 19}));
        view.scrollToRow(1, 19);
        QVERIFY(source.visible.count({1, 19}));
        QVERIFY(!source.visible.count({0, 0}));
        QCOMPARE(view.visibleRows(), source.visible);
    }

    void pullingPastTheThresholdRefreshesAndSpringsBack() {
        Table t(400, false);
        auto& [source, view] = t;
        view.setRefreshEnabled(true);
        view.setRefreshTitle(QStringLiteral("Pull to refresh"));
        view.show();
        QSignalSpy refresh(&view, &TableView::refreshRequested);

        drag(&view, {100, 50}, {100, 50 + TableView::kRefreshThreshold * 0.5});  // too short
        QCOMPARE(refresh.count(), 0);
        QTRY_COMPARE(view.contentOffset(), 0.0);

        drag(&view, {100, 50}, {100, 300});
        QCOMPARE(refresh.count(), 1);
        QVERIFY(view.isRefreshing());
        QVERIFY(source.selected.empty());
        view.endRefreshing();
        QVERIFY(!view.isRefreshing());
        QTRY_COMPARE(view.contentOffset(), 0.0);
    }

    void withoutRefreshAPullOnlyBounces() {
        Table t;
        auto& [source, view] = t;
        QSignalSpy refresh(&view, &TableView::refreshRequested);
        drag(&view, {100, 50}, {100, 390});
        QCOMPARE(refresh.count(), 0);
        view.beginRefreshing();  // the action does nothing either
        QCOMPARE(refresh.count(), 0);
        QTRY_COMPARE(view.contentOffset(), 0.0);
    }

    void theSectionIndexJumpsToItsSectionAndLeavesAPhoneToItsRows() {
        Table t(400, true, {QStringLiteral("A"), QStringLiteral("B")});
        auto& [source, view] = t;
        // On a phone-sized table there is no room for finger-sized letters: the right edge is the row's.
        QCOMPARE(view.rightInset(), 0.0);
        const QRectF row = view.rectForRow(1, 0);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPointF(row.right() - 2, row.center().y()).toPoint());
        QCOMPARE(view.contentOffset(), 0.0);
        QVERIFY(!source.selected.empty());
        source.selected.clear();
        // A wider one shows it at the right edge, centred vertically, each letter a 44-px target.
        view.resize(768, 400);
        QCOMPARE(view.rightInset(), 44.0);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(768 - 40, 200 + 40));  // section B, off its centre
        QVERIFY(view.contentOffset() > 0);
        QVERIFY(source.selected.empty());
    }

    void paintingBuildsOnlyRowsOnScreen() {
        Table t(300, false);
        auto& [source, view] = t;
        view.grab();
        QVERIFY(source.rowsBuilt > 0);
        QVERIFY(source.rowsBuilt <= static_cast<int>(source.visible.size()));
    }

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

QTEST_MAIN(PartsTest)
#include "parts_test.moc"
