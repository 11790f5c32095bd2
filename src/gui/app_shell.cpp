// SPDX-License-Identifier: MIT
// Composition of the app: the Qt adapters as ports, the app delegate, the wristband, the screens, the window.
#include "gui/app_shell.h"

#include "bluez/backend.h"
#include "gui/history_screen.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/sleep_screen.h"
#include "gui/settings_screen.h"
#include "gui/today_screen_view.h"
#include "link/audio_player.h"
#include "link/phone_event_relay.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "settings/json_key_value_store.h"

#include <QCoreApplication>
#include <QTimer>

namespace vantro::gui {

AppShell::AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log)
    : m_options(options), m_dataDir(dataDir), m_log(log), m_notifier(m_loop) {
    m_localizer = std::make_unique<GettextLocalizer>(options.language.toStdString());
    m_settings = std::make_unique<JsonKeyValueStore>(configDirectory(dataDir.toStdString()), m_log);

    AppPorts ports{m_loop, m_log, *m_localizer, *m_settings};
    ports.notifier = &m_notifier;
    ports.sound = &m_sound;
    ports.urls = &m_urls;
    ports.idiom = options.tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    ports.displayName = "Vantro";
    ports.version = QCoreApplication::applicationVersion().isEmpty()
                        ? std::string("1.0.0")
                        : QCoreApplication::applicationVersion().toStdString();
    m_app = std::make_unique<VantroAppDelegate>(ports);
    m_notifier.setReceiver([this](const LocalNotification& n) { m_app->didReceiveLocalNotification(n); });
    Audio_player::configure({&m_sound, &m_notifier, &m_log});

    // A real wristband wherever there is Bluetooth (the tour always plays the simulated ones).
    m_usesBluez = options.wristband == WristbandChoice::Bluez ||
                  (options.wristband == WristbandChoice::Automatic && options.screenshotsDir.isEmpty() &&
                   bluez::bluetoothAdapterPresent());
    m_log.log(m_usesBluez ? "Wristband: Bluetooth through BlueZ" : "Wristband: simulated");
    if (m_usesBluez) m_systemTelephony = bluez::makeModemManagerTelephony(m_loop, m_log);
    m_app->didFinishLaunchingWithOptions(m_usesBluez ? m_systemTelephony.get() : &m_telephony, telephonyRelay(*m_app));

    // Otherwise the central is the simulated one: two bands, one near, one farther.
    auto makeCentral = [this]() -> std::shared_ptr<BleCentral> {
        if (m_usesBluez) return bluez::makeBluezCentral(m_loop, m_log);
        SimOptions sim;
        if (m_options.brisk) {
            sim.advertisementInterval = 0.25;
            sim.currentDataInterval = 1.0;
        }
        m_central = std::make_shared<SimulatedCentral>(m_loop, sim);
        const CalendarDate today = toLocal(m_loop.wallNow()).date();
        for (int i = 0; i < 2; ++i) {
            SimBandConfig band;
            band.distance = i == 0 ? 1.5 : 8.0;
            band.advertisementRssi = simRssiAtDistance(band.distance);
            band.firmware.seed = 7 + static_cast<std::uint64_t>(i);
            band.firmware.today = today;
            band.firmware.days = 14;
            band.firmware.nights = 7;
            m_central->addWristband(band);
        }
        return m_central;
    };
    m_app->simulatedBand = !m_usesBluez;
    m_today = std::make_unique<VantroViewController>(*m_app, makeCentral,
                                                     recordsDirectory(dataDir.toStdString(), !m_usesBluez));
    m_today->viewDidLoad();
    buildWindow();

    // Settings that cannot be read are not the user's: say so rather than work on defaults unnoticed.
    if (const std::string why = m_settings->unavailableReason(); !why.empty()) {
        QTimer::singleShot(0, m_window.get(), [this, why] {
            showMessageBox(m_window.get(), tr("Prompt"),
                           tr("txtSettingsUnreadable") + QLatin1Char('\n') + QString::fromStdString(why), {tr("OK")}, 0,
                           {});
        });
    }
}

AppShell::~AppShell() {
    // The screens hold the delegate; they go first, then the link, then the alarm's ports.
    m_window.reset();
    m_todayScreen.reset();
    m_historyScreen.reset();
    m_sleepScreen.reset();
    m_settingsScreen.reset();
    if (m_app) m_app->manager.reset();
    m_today.reset();
    Audio_player::resetSharedInstance();
    m_systemTelephony.reset();
    m_app.reset();
    m_central.reset();
}

std::vector<std::shared_ptr<SimulatedPeripheral>> AppShell::wristbands() const {
    return m_central ? m_central->wristbands() : std::vector<std::shared_ptr<SimulatedPeripheral>>{};
}

QString AppShell::tr(const char* key) const {
    return QString::fromStdString(m_localizer->localizedString(key));
}

void AppShell::buildWindow() {
    m_window = std::make_unique<MainWindow>(m_options.tablet ? Metrics::tabletMetrics() : Metrics::phone());
    m_notifier.setDialogParent(m_window.get());
    m_notifier.setAppName(QStringLiteral("Vantro"));
    QObject::connect(&m_sound, &QtSoundPlayer::vibrated, m_window.get(), [this] { m_window->flash(); });
    const Metrics& m = m_window->metrics();
    const QSize content(m.window.width(), m.window.height() - m.navBarHeight - m.tabBarHeight);
    const DeviceIdiom idiom = m_options.tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    m_todayScreen = std::make_unique<TodayScreenView>(*m_today);
    m_window->addTab(QStringLiteral("today"), tr("tab.today"), m_todayScreen.get());
    m_historyScreen = std::make_unique<HistoryScreen>(*m_app, m_loop, idiom, content);
    m_window->addTab(QStringLiteral("history"), tr("tab.history"), m_historyScreen.get());
    m_sleepScreen = std::make_unique<SleepScreen>(*m_app, m_loop, idiom, content);
    m_window->addTab(QStringLiteral("sleep"), tr("tab.sleep"), m_sleepScreen.get());
    m_settingsScreen = std::make_unique<SettingsScreen>(*m_app, *m_window,
                                                        [] { Audio_player::sharedInstance().stopPlayingAlarmSound(); });
    const int settingsTab = m_window->addTab(QStringLiteral("settings"), tr("tab.settings"), m_settingsScreen.get());
    m_settingsScreen->addBackupButton(m_window->navigationBar(settingsTab));
    m_todayScreen->connectHintTapped = [this, settingsTab] {
        m_window->setCurrentTab(settingsTab);
        if (TableView* table = m_settingsScreen->table()) table->tapRow(0, 0);  // the Wristband row
    };
}

}  // namespace vantro::gui
