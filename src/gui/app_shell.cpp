// SPDX-License-Identifier: MIT
// Composition of the app: the Qt adapters as ports, the app delegate, the wristband, the screens, the window.
#include "gui/app_shell.h"

#include "gui/main_window.h"
#include "gui/settings_screen.h"
#include "platform/paths.h"
#include "settings/json_key_value_store.h"
#include "store/sqlite_data.h"

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
    m_app = std::make_unique<VantroAppDelegate>(ports);
    m_notifier.setReceiver([this](const LocalNotification& n) { m_app->didReceiveLocalNotification(n); });
    m_app->didFinishLaunchingWithOptions(&m_telephony, nullptr);
    // Until the today screen loads the shared state itself, the shell opens the database here.
    m_app->m_db = std::make_shared<sqlite_data>(dataDirectory(dataDir.toStdString()), m_log);
    buildWindow();
}

AppShell::~AppShell() {
    // The screens hold the delegate; they go first.
    m_window.reset();
    m_settingsScreen.reset();
    m_app.reset();
}

QString AppShell::tr(const char* key) const {
    return QString::fromStdString(m_localizer->localizedString(key));
}

void AppShell::buildWindow() {
    m_window = std::make_unique<MainWindow>(m_options.tablet ? Metrics::tabletMetrics() : Metrics::phone());
    m_notifier.setDialogParent(m_window.get());
    m_notifier.setAppName(QStringLiteral("Vantro"));
    QObject::connect(&m_sound, &QtSoundPlayer::vibrated, m_window.get(), [this] { m_window->flash(); });
    const QString coming = tr("gui.coming");
    m_window->addTab(QStringLiteral("today"), tr("tab.today"), nullptr, tr("tab.today"), coming);
    m_window->addTab(QStringLiteral("history"), tr("tab.history"), nullptr, tr("tab.history"), coming);
    m_window->addTab(QStringLiteral("sleep"), tr("tab.sleep"), nullptr, tr("tab.sleep"), coming);
    m_settingsScreen = std::make_unique<SettingsScreen>(*m_app, *m_window, [this] { m_sound.stop(); });
    m_window->addTab(QStringLiteral("settings"), tr("tab.settings"), m_settingsScreen.get());
}

}  // namespace vantro::gui
