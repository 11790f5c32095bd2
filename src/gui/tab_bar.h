// SPDX-License-Identifier: MIT
// The tab bar at the bottom of the window: an icon and a short label per screen.
#pragma once

#include <QWidget>

namespace vantro::gui {

/// Tabs drawn as tinted icons over labels; the current tab is in the tint colour.
class TabBar : public QWidget {
    Q_OBJECT
public:
    explicit TabBar(QWidget* parent = nullptr);

    /// `icon` names a tab icon: "today", "history", "sleep" or "settings".
    void addTab(const QString& icon, const QString& label);
    void setLabel(int index, const QString& label);
    int count() const { return static_cast<int>(m_tabs.size()); }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    QRect tabRect(int index) const;

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Tab {
        QString icon;
        QString label;
    };
    std::vector<Tab> m_tabs;
    int m_current = 0;
};

}  // namespace vantro::gui
