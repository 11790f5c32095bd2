// SPDX-License-Identifier: MIT
// The tab bar at the bottom of the window: an icon and a short label per screen.
#pragma once

#include "gui/accessibility.h"

#include <QWidget>

namespace vantro::gui {

/// Tabs drawn as tinted icons over labels; the current tab is in the tint colour. With the focus,
/// Left and Right (or Home and End) choose a tab, drawn with a focus ring.
class TabBar : public QWidget, public AccessibleItems {
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
    QString label(int index) const { return index >= 0 && index < count() ? m_tabs[index].label : QString(); }
    /// Labels that do not fit their tab at the present width.
    QStringList cutLabels() const;

    QAccessible::Role accessibleRole() const override { return QAccessible::PageTabList; }
    std::vector<AccessibleItem> accessibleItems() const override;
    int accessibleFocusItem() const override { return m_current; }
    void activateAccessibleItem(int index) override { setCurrentIndex(index); }

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QFont labelFont() const;
    struct Tab {
        QString icon;
        QString label;
    };
    std::vector<Tab> m_tabs;
    int m_current = 0;
};

}  // namespace vantro::gui
