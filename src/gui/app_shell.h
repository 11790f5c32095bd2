// SPDX-License-Identifier: MIT
// Composition of the app: the Qt adapters as ports, the app delegate, the wristband, the screens, the window.
#pragma once

#include "app/vantro_app_delegate.h"
#include "bluez/backend.h"
#include "gui/app_options.h"
#include "gui/qt_notifier.h"
#include "qt/qt_run_loop.h"
#include "gui/alarm_sound.h"
#include "gui/qt_url_opener.h"
#include "link/vantro_view_controller.h"
#include "sim/simulated_central.h"
#include "platform/debug_log.h"
#include "platform/key_value_store.h"
#include "platform/localizer.h"
#include "platform/telephony.h"
#include "session/session.h"

#include <QMenu>
#include <QPointer>
#include <QString>

#include <memory>

namespace vantro::gui {

class LaterSleepWatch;
class MainWindow;
class NavigationBar;
class StatusIcon;
class HistoryScreen;
class SettingsScreen;
class SleepScreen;
class TodayScreenView;

/// Tab order of the main window.
enum Tab { kTodayTab = 0, kHistoryTab = 1, kSleepTab = 2, kSettingsTab = 3 };

/// Owns every port, the running companion (the session) and, while it is open, the window.
class AppShell {
public:
    /// `dataDir` holds the database and the settings; empty means the user's XDG data and config directories.
    /// The window is built unless `withWindow` is false (the background start).
    AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log, bool withWindow = true);
    /// The window is built into `shown`, one the start put on screen before anything else (earlyWindow).
    AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log, std::unique_ptr<MainWindow> shown);
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    /// The window; built again when it was closed.
    MainWindow& window();
    bool hasWindow() const { return m_window != nullptr; }
    /// The main window for these options, empty and not yet shown: the start puts it on screen first, so
    /// it is there as soon as a bare window would be, and fills it before its first frame is painted.
    static std::unique_ptr<MainWindow> earlyWindow(const AppOptions& options);
    /// Builds the window when it is closed, shows it and brings it to the front.
    void showWindow();
    /// Closing the window: with "Keep running in the background" on, its widgets are freed and the
    /// companion keeps running (the first time, a notification says so); off, the app quits.
    void windowClosed();
    /// Ends the app (the settings bar's Quit, the status icon, the bus's quit action).
    void quit();
    bool quitting() const { return m_quitting; }
    bool keepsRunningInBackground() const;
    void setKeepRunningInBackground(bool on);
    void setStartAtLogin(bool on);
    /// What the window's first frame does not wait for: logind's watch, the desktop's do-not-disturb
    /// switch and the status icon. Called once that frame is up (a start without a window does so on its
    /// own, in the event loop's first turn); once is enough.
    void finishStart();
    /// Called once the window was freed (tests watch it).
    std::function<void()> onWindowFreed;

    Session& session() { return *m_session; }
    VantroAppDelegate& appDelegate() { return m_session->app(); }
    qt::QtRunLoop& runLoop() { return m_loop; }
    QtNotifier& notifier() { return m_notifier; }
    AlarmSound& sound() { return m_sound; }
    KeyValueStore& settings() { return *m_settings; }
    const Localizer& localizer() const { return *m_localizer; }
    /// The telephony events of the simulated phone (injected by the tour and tests); with BlueZ the app
    /// follows ModemManager instead.
    ScriptedTelephony& telephony() { return m_source->scriptedTelephony(); }
    /// True when the app talks to a real wristband through BlueZ.
    bool usesBluez() const { return !m_source->simulated(); }
    QString dataDir() const { return m_dataDir; }
    /// The screens of the open window (null without one). Only the first tab's screen is made with the
    /// window; another is made when its tab is first shown, or here when asked for.
    SettingsScreen* settingsScreen();
    TodayScreenView* todayScreen() const { return m_todayScreen.get(); }
    HistoryScreen* historyScreen();
    SleepScreen* sleepScreen();
    /// Whether a tab's screen has been made (start-up makes only the first).
    bool screenMade(int tab) const;
    VantroViewController& todayController() { return m_session->today(); }
    /// The simulated wristbands, nearest first.
    std::vector<std::shared_ptr<SimulatedPeripheral>> wristbands() const;
    QString tr(const char* key) const;

private:
    AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log, bool withWindow,
             std::unique_ptr<MainWindow> shown);
    void buildWindow(std::unique_ptr<MainWindow> shown = nullptr);
    void freeWindow();
    /// The App menu is there with the window; its button comes with the settings screen.
    void addAppMenu(int settingsTab);
    void addAppMenuButton(NavigationBar* bar);

    AppOptions m_options;
    QString m_dataDir;
    DebugLog& m_log;
    qt::QtRunLoop m_loop;
    QtNotifier m_notifier;
    AlarmSound m_sound;
    QtUrlOpener m_urls;
    std::unique_ptr<Localizer> m_localizer;
    std::unique_ptr<KeyValueStore> m_settings;
    std::unique_ptr<bluez::SystemBandSource> m_source;
    std::unique_ptr<LaterSleepWatch> m_sleep;
    std::unique_ptr<FileWatch> m_settingsWatch;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<StatusIcon> m_statusIcon;
    int m_windowListener = 0;  // the window's screens follow the companion
    int m_closedOnTab = 0;     // where a reopened window starts
    bool m_quitting = false;
    bool m_started = false;  // finishStart ran
    std::unique_ptr<MainWindow> m_window;
    QPointer<QMenu> m_appMenu;
    std::unique_ptr<TodayScreenView> m_todayScreen;
    std::unique_ptr<HistoryScreen> m_historyScreen;
    std::unique_ptr<SleepScreen> m_sleepScreen;
    std::unique_ptr<SettingsScreen> m_settingsScreen;
};

}  // namespace vantro::gui
