// SPDX-License-Identifier: MIT
// Composition of the app: the Qt adapters as ports, the app delegate, the wristband, the screens, the window.
#include "gui/app_shell.h"

#include "gui/main_window.h"

#include <QDir>

namespace vantro::gui {

AppShell::AppShell(const AppOptions& options, const QString& dataDir, DebugLog& log)
    : m_options(options), m_dataDir(dataDir), m_log(log), m_notifier(m_loop) {
    QDir().mkpath(m_dataDir);
    m_localizer = std::make_unique<GettextLocalizer>(options.language.toStdString());
    m_settings = std::make_unique<MemoryKeyValueStore>();

    AppPorts ports{m_loop, m_log, *m_localizer, *m_settings};
    ports.notifier = &m_notifier;
    ports.sound = &m_sound;
    ports.urls = &m_urls;
    ports.idiom = options.tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    ports.displayName = "Vantro";
    m_app = std::make_unique<VantroAppDelegate>(ports);
    m_notifier.setReceiver([this](const LocalNotification& n) { m_app->didReceiveLocalNotification(n); });
    m_app->didFinishLaunchingWithOptions(&m_telephony, nullptr);
    buildWindow();
}

AppShell::~AppShell() {
    // The window's screens hold the delegate; they go first.
    m_window.reset();
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
    m_window->addTab(QStringLiteral("settings"), tr("tab.settings"), nullptr, tr("tab.settings"), coming);
}

}  // namespace vantro::gui
