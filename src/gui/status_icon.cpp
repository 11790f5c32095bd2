// SPDX-License-Identifier: MIT
// The icon in the desktop's status area: Show, Sync and Quit, where the desktop has such an area.
#include "gui/status_icon.h"

#include "gui/app_shell.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vantro::gui {

std::unique_ptr<StatusIcon> StatusIcon::createIfAvailable(AppShell& shell) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return nullptr;
    return std::unique_ptr<StatusIcon>(new StatusIcon(shell));
}

StatusIcon::StatusIcon(AppShell& shell) : m_shell(shell), m_menu(std::make_unique<QMenu>()) {
    m_menu->addAction(shell.tr("gui.show"), this, [this] { m_shell.showWindow(); });
    m_menu->addAction(shell.tr("gui.sync"), this, [this] {
        // The outcome shows on the settings screen and in the tooltip; a busy or absent link changes nothing.
        m_shell.session().sync([](bool, const std::string&) {});
    });
    m_menu->addSeparator();
    m_menu->addAction(shell.tr("gui.quit"), this, [this] { QTimer::singleShot(0, this, [this] { m_shell.quit(); }); });
    m_icon = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) m_shell.showWindow();
    });
    m_listener = m_shell.session().onChanged([this] { refresh(); });
    refresh();
    m_icon->show();
}

StatusIcon::~StatusIcon() {
    m_shell.session().removeListener(m_listener);
}

void StatusIcon::refresh() {
    const CompanionState s = m_shell.session().state();
    QString tip = QStringLiteral("Vantro: ") + QString::fromStdString(m_shell.appDelegate().strBlueStatus());
    if (s.batteryPercent) tip += QStringLiteral(" · %1 %").arg(*s.batteryPercent);
    if (m_icon->toolTip() != tip) m_icon->setToolTip(tip);
}

}  // namespace vantro::gui
