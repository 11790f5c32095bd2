// SPDX-License-Identifier: MIT
// The icon in the desktop's status area: Show, Sync and Quit, where the desktop has such an area.
#pragma once

#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace vantro::gui {

class AppShell;

/// A status-area icon with Show / Sync / Quit; its tooltip follows the link.
class StatusIcon : public QObject {
public:
    /// Nothing when the desktop has no status area (the app works without one).
    static std::unique_ptr<StatusIcon> createIfAvailable(AppShell& shell);
    ~StatusIcon() override;

private:
    explicit StatusIcon(AppShell& shell);
    void refresh();

    AppShell& m_shell;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    int m_listener = 0;
};

}  // namespace vantro::gui
