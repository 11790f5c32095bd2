// SPDX-License-Identifier: MIT
// Composition of the app: the Qt adapters as ports, the running companion, and the window while it is open.
#include "gui/app_shell.h"

#include "bluez/logind_sleep_watch.h"
#include "gui/history_screen.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/navigation_bar.h"
#include "gui/settings_screen.h"
#include "gui/sleep_screen.h"
#include "gui/status_icon.h"
#include "gui/tab_bar.h"
#include "gui/theme.h"
#include "gui/today_screen_view.h"
#include "link/audio_player.h"
#include "platform/inotify_file_watch.h"
#include "platform/paths.h"
#include "session/autostart.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace vantro::gui {

/// logind's watch, made by start(): its connection to the system bus and its first question there are no
/// business of the first frame. A hold asked for before is taken then.
class LaterSleepWatch : public SleepWatch {
public:
    LaterSleepWatch(RunLoop& loop, DebugLog& log) : m_loop(loop), m_log(log) {}
    void start() {
        if (m_watch) return;
        m_watch = std::make_unique<bluez::LogindSleepWatch>(m_loop, m_log);
        m_watch->onPrepareForSleep = [this](bool sleeping) {
            if (onPrepareForSleep) onPrepareForSleep(sleeping);
        };
        if (m_wanted) m_watch->holdSleep(true);
    }
    bool available() const override { return m_watch && m_watch->available(); }
    void holdSleep(bool hold) override {
        m_wanted = hold;
        if (m_watch) m_watch->holdSleep(hold);
    }
    bool holdingSleep() const override { return m_watch ? m_watch->holdingSleep() : m_wanted; }

private:
    RunLoop& m_loop;
    DebugLog& m_log;
    std::unique_ptr<bluez::LogindSleepWatch> m_watch;
    bool m_wanted = false;
};

namespace {

/// Hands the window's close to the shell, which decides between background and quit.
class CloseWatch : public QObject {
public:
    CloseWatch(QObject* parent, std::function<void()> closed) : QObject(parent), m_closed(std::move(closed)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->accept();
            QTimer::singleShot(0, watched, m_closed);
        }
        return false;
    }

private:
    std::function<void()> m_closed;
};

}  // namespace

AppShell::AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log, bool withWindow)
    : AppShell(options, dataDir, log, withWindow, nullptr) {}

AppShell::AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log, std::unique_ptr<MainWindow> shown)
    : AppShell(options, dataDir, log, true, std::move(shown)) {}

AppShell::AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log, bool withWindow,
                   std::unique_ptr<MainWindow> shown)
    : m_options(options), m_dataDir(dataDir), m_log(log), m_notifier(m_loop) {
    m_localizer = std::make_unique<GettextLocalizer>(options.language.toStdString());
    m_settings = std::make_unique<JsonKeyValueStore>(configDirectory(dataDir.toStdString()), m_log);

    // A real wristband wherever there is Bluetooth (the tour always plays the simulated ones).
    const bluez::BandChoice choice =
        options.wristband == WristbandChoice::Bluez ? bluez::BandChoice::Bluez
        : options.wristband == WristbandChoice::Simulated || !options.screenshotsDir.isEmpty()
            ? bluez::BandChoice::Simulated
            : bluez::BandChoice::Automatic;
    SimulatedBands bands;
    bands.brisk = options.brisk;
    m_source = std::make_unique<bluez::SystemBandSource>(choice, m_loop, m_log, bands);
    // The tour shows made-up data and must not take in the desktop's notifications.
    m_source->watchDesktopNotifications(options.screenshotsDir.isEmpty());

    SessionPorts ports{{m_loop, m_log, *m_localizer, *m_settings}};
    ports.notifier = &m_notifier;
    ports.sound = &m_sound;
    ports.urls = &m_urls;
    ports.idiom = options.tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    ports.displayName = "Vantro";
    ports.version = QCoreApplication::applicationVersion().isEmpty()
                        ? std::string("1.0.0")
                        : QCoreApplication::applicationVersion().toStdString();
    ports.dataDir = dataDir.toStdString();
    // Suspends are followed wherever logind runs; the tour's made-up band has nothing to keep awake for.
    if (options.screenshotsDir.isEmpty()) {
        m_sleep = std::make_unique<LaterSleepWatch>(m_loop, m_log);
        ports.sleep = m_sleep.get();
    }
    // Settings changed by other programs (vantro-cli settings set) reach the band when the file changes.
    m_settingsWatch = std::make_unique<InotifyFileWatch>(m_loop, m_log);
    ports.settingsWatch = m_settingsWatch.get();
    m_session = std::make_unique<Session>(ports, *m_source);
    m_notifier.setAppName(QStringLiteral("Vantro"));
    m_notifier.setReceiver([this](const LocalNotification& n) {
        // A click on the desktop's notification while the window is closed opens it first.
        if (!m_window && !m_quitting) showWindow();
        m_session->app().didReceiveLocalNotification(n);
    });
    if (withWindow) {
        buildWindow(std::move(shown));
    } else {
        m_notifier.setApplicationStateOverride(AppState::Background);
        // Nothing to paint first.
        QTimer::singleShot(0, [this] { finishStart(); });
    }

    // Settings that cannot be read are not the user's: say so rather than work on defaults unnoticed.
    if (const std::string why = m_settings->unavailableReason(); !why.empty()) {
        if (!m_window) {
            m_log.warning("the settings cannot be read: " + why);
        } else {
            QTimer::singleShot(0, m_window.get(), [this, why] {
                showMessageBox(m_window.get(), tr("Prompt"),
                               tr("txtSettingsUnreadable") + QLatin1Char('\n') + QString::fromStdString(why),
                               {tr("OK")}, 0, {});
            });
        }
    }
}

void AppShell::finishStart() {
    if (m_started || !m_options.screenshotsDir.isEmpty()) return;
    m_started = true;
    if (m_sleep) m_sleep->start();
    m_notifier.watchDoNotDisturb();
    // An installed icon theme's icon is preferred to the built-in one (which main sets at start).
    const QIcon themed = QIcon::fromTheme(QStringLiteral("vantro"));
    if (!themed.isNull()) QApplication::setWindowIcon(themed);
    m_statusIcon = StatusIcon::createIfAvailable(*this);
}

AppShell::~AppShell() {
    // The window and the status icon reach the companion; they go before it.
    m_statusIcon.reset();
    freeWindow();
    m_session.reset();
    m_settingsWatch.reset();
    m_sleep.reset();
    m_source.reset();
}

std::vector<std::shared_ptr<SimulatedPeripheral>> AppShell::wristbands() const {
    return m_source->wristbands();
}

QString AppShell::tr(const char* key) const {
    return QString::fromStdString(m_localizer->localizedString(key));
}

MainWindow& AppShell::window() {
    if (!m_window) buildWindow();
    return *m_window;
}

void AppShell::showWindow() {
    if (m_quitting) return;
    MainWindow& w = window();
    if (!w.isVisible()) w.fitToScreen();
    w.show();
    w.raise();
    w.activateWindow();
}

bool AppShell::keepsRunningInBackground() const {
    return m_settings->integerForKey(kKeepRunning) != 2;
}

void AppShell::setKeepRunningInBackground(bool on) {
    m_settings->setInteger(kKeepRunning, on ? 1 : 2);
}

void AppShell::setStartAtLogin(bool on) {
    const std::string exe = QCoreApplication::applicationFilePath().toStdString();
    const auto problem = vantro::setStartAtLogin(on, exe.empty() ? "vantro" : exe, m_log);
    if (!problem) {
        m_settings->setBool(kStartAtLogin, on);
        return;
    }
    // Said where the switch is: the switch alone would just not stick.
    if (m_window) {
        showMessageBox(m_window.get(), tr("Prompt"),
                       tr("gui.startAtLogin.failed").arg(QString::fromStdString(*problem)), {tr("OK")}, 0, {});
    }
}

void AppShell::windowClosed() {
    if (m_quitting) return;
    if (!keepsRunningInBackground()) {
        quit();
        return;
    }
    freeWindow();
    m_log.log("window closed; the companion keeps running in the background");
    if (!m_settings->boolForKey(kBackgroundNoticeShown)) {
        m_settings->setBool(kBackgroundNoticeShown, true);
        const std::string notice = m_localizer->localizedString("gui.background.notice");
        // Only the desktop can show it now; in the app it would open the window just closed.
        if (m_notifier.desktopServiceAvailable()) {
            m_notifier.presentLocalNotificationNow(LocalNotification{notice, "", ""});
        } else {
            m_log.warning(notice);
        }
    }
    if (onWindowFreed) onWindowFreed();
}

void AppShell::quit() {
    m_quitting = true;
    if (m_window) m_window->hide();
    QCoreApplication::quit();
}

void AppShell::freeWindow() {
    if (!m_window) return;
    // The screens hold the delegate and the window; they go first, then the window.
    m_notifier.setDialogParent(nullptr);
    // Nobody sees the app now: alarms go to the desktop's notifications.
    m_notifier.setApplicationStateOverride(AppState::Background);
    m_closedOnTab = std::max(0, m_window->currentTab());
    m_window->hide();
    m_session->removeListener(m_windowListener);
    m_windowListener = 0;
    m_todayScreen.reset();
    m_historyScreen.reset();
    m_sleepScreen.reset();
    m_settingsScreen.reset();
    m_window.reset();
    // Without a window every value the band sends is kept again.
    std::vector<int> rows(TodayScreen::kRowCount);
    for (int r = 0; r < TodayScreen::kRowCount; ++r) rows[static_cast<size_t>(r)] = r;
    m_session->today().tableView().setVisibleRows(rows);
}

namespace {

std::unique_ptr<MainWindow> newWindow(const AppOptions& options) {
    return std::make_unique<MainWindow>(options.tablet ? Metrics::tabletMetrics() : Metrics::phone());
}

}  // namespace

std::unique_ptr<MainWindow> AppShell::earlyWindow(const AppOptions& options) {
    auto window = newWindow(options);
    window->fitToScreen();
    return window;
}

void AppShell::buildWindow(std::unique_ptr<MainWindow> shown) {
    m_window = shown ? std::move(shown) : newWindow(m_options);
    m_window->installEventFilter(new CloseWatch(m_window.get(), [this] { windowClosed(); }));
    m_window->tabBar()->setAccessibleName(tr("gui.tabs"));
    m_notifier.setDialogParent(m_window.get());
    m_notifier.setApplicationStateOverride(std::nullopt);
    QObject::connect(&m_sound, &AlarmSound::vibrated, m_window.get(), [this] { m_window->flash(); });
    const Metrics& m = m_window->metrics();
    const QSize content(m.window.width(), m.window.height() - m.navBarHeight - m.tabBarHeight);
    const DeviceIdiom idiom = m_options.tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    m_todayScreen = std::make_unique<TodayScreenView>(m_session->today());
    m_window->addTab(QStringLiteral("today"), tr("tab.today"), m_todayScreen.get());
    // The hint stands above the rows, so the keyboard comes to it first (set once both are in the window).
    if (m_todayScreen->connectHint()) QWidget::setTabOrder(m_todayScreen->connectHint(), m_todayScreen->table());
    // The other tabs wait until they are first shown: a phone starts faster without them.
    m_window->addLazyTab(QStringLiteral("history"), tr("tab.history"), tr("SportsData"), [this, idiom, content] {
        m_historyScreen = std::make_unique<HistoryScreen>(m_session->app(), m_loop, idiom, content);
        return m_historyScreen.get();
    });
    m_window->addLazyTab(QStringLiteral("sleep"), tr("tab.sleep"), tr("SleepData"), [this, idiom, content] {
        m_sleepScreen = std::make_unique<SleepScreen>(m_session->app(), m_loop, idiom, content);
        return m_sleepScreen.get();
    });
    const int settingsTab =
        m_window->addLazyTab(QStringLiteral("settings"), tr("tab.settings"), tr("Settings"), [this] {
            m_settingsScreen = std::make_unique<SettingsScreen>(m_session->app(), *m_session, *m_window, [] {
                Audio_player::sharedInstance().stopPlayingAlarmSound();
            });
            m_settingsScreen->addBackupButton(m_window->navigationBar(kSettingsTab));
            m_settingsScreen->setAddOns(m_session->autoSync(), m_session->relay());
            // After the backup button, so the keyboard reaches the bar's buttons in their old order.
            addAppMenuButton(m_window->navigationBar(kSettingsTab));
            return m_settingsScreen.get();
        });
    m_windowListener = m_session->onChanged([this] {
        if (m_settingsScreen) m_settingsScreen->companionChanged();
    });
    // The picker opens over Today, and closing it comes back there.
    m_todayScreen->connectHintTapped = [this] {
        if (TableView* table = settingsScreen()->table()) table->tapRow(0, 0);  // the Wristband row
    };
    addAppMenu(settingsTab);
    QObject::connect(m_window.get(), &MainWindow::quitRequested, m_window.get(),
                     [this] { QTimer::singleShot(0, [this] { quit(); }); });
    // A reopened window shows the tab it was closed on.
    if (m_closedOnTab > 0) m_window->setCurrentTab(m_closedOnTab);
    m_window->tabsAdded();
}

HistoryScreen* AppShell::historyScreen() {
    if (m_window) m_window->ensureScreen(kHistoryTab);
    return m_historyScreen.get();
}

SleepScreen* AppShell::sleepScreen() {
    if (m_window) m_window->ensureScreen(kSleepTab);
    return m_sleepScreen.get();
}

SettingsScreen* AppShell::settingsScreen() {
    if (m_window) m_window->ensureScreen(kSettingsTab);
    return m_settingsScreen.get();
}

bool AppShell::screenMade(int tab) const {
    return m_window && m_window->screen(tab) != nullptr;
}

void AppShell::addAppMenu(int settingsTab) {
    NavigationBar* bar = m_window->navigationBar(settingsTab);
    if (!bar) return;
    // The companion's own settings and Quit: they belong to this computer, not to the band.
    auto* menu = new QMenu(m_window.get());
    menu->setObjectName(QStringLiteral("appMenu"));
    // Items a finger high; the checked ones keep room for their tick.
    menu->setStyleSheet(QStringLiteral("QMenu::item { min-height: 44px; padding: 0 16px 0 28px; }"
                                       "QMenu::item:selected { background: %1; color: white; }"
                                       "QMenu::indicator { left: 6px; }")
                            .arg(colours::kTint.name()));
    QAction* keep = menu->addAction(tr("gui.keepRunning"));
    keep->setObjectName(QStringLiteral("keepRunningAction"));
    keep->setCheckable(true);
    QAction* login = menu->addAction(tr("gui.startAtLogin"));
    login->setObjectName(QStringLiteral("startAtLoginAction"));
    login->setCheckable(true);
    menu->addSeparator();
    QAction* quitAction = menu->addAction(tr("gui.quit"));
    quitAction->setObjectName(QStringLiteral("quit"));
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this, keep, login] {
        keep->setChecked(keepsRunningInBackground());
        login->setChecked(startsAtLogin());
    });
    QObject::connect(keep, &QAction::toggled, menu, [this](bool on) { setKeepRunningInBackground(on); });
    QObject::connect(login, &QAction::toggled, menu, [this, login](bool on) {
        if (on != startsAtLogin()) setStartAtLogin(on);
        const QSignalBlocker quiet(login);
        login->setChecked(startsAtLogin());  // what the desktop will do, whether or not the change worked
    });
    QObject::connect(quitAction, &QAction::triggered, menu, [this] { QTimer::singleShot(0, [this] { quit(); }); });
    m_appMenu = menu;
}

void AppShell::addAppMenuButton(NavigationBar* bar) {
    QMenu* menu = m_appMenu;
    if (!bar || !menu) return;
    bar->setLeftButton(tr("gui.app"), [menu, bar] {
        QPushButton* button = bar->leftButton();
        menu->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos());
    });
}

}  // namespace vantro::gui
