// SPDX-License-Identifier: MIT
// The tab bar at the bottom of the window: an icon and a short label per screen.
#include "gui/tab_bar.h"

#include "gui/app_fonts.h"
#include "gui/icons.h"
#include "gui/theme.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vantro::gui {

TabBar::TabBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QFont TabBar::labelFont() const {
    // The section headers' size: the first screen draws three text faces, and each costs its start.
    return AppFonts::font(13);
}

void TabBar::addTab(const QString& icon, const QString& label) {
    m_tabs.push_back({icon, label});
    update();
}

void TabBar::setLabel(int index, const QString& label) {
    if (index < 0 || index >= count()) return;
    m_tabs[index].label = label;
    update();
}

void TabBar::setCurrentIndex(int index) {
    if (index < 0 || index >= count() || index == m_current) return;
    m_current = index;
    update();
    emit currentChanged(index);
    if (hasFocus()) announceFocusItem(this, index);
}

QRect TabBar::tabRect(int index) const {
    if (count() == 0) return {};
    const double w = static_cast<double>(width()) / count();
    return QRect(static_cast<int>(index * w), 0, static_cast<int>(w), height());
}

void TabBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), colours::kBarBackground);
    p.fillRect(QRectF(0, 0, width(), 0.5), colours::kSeparator);
    const int iconSize = height() >= 54 ? 30 : 26;
    const QFont f = labelFont();
    const QFontMetricsF fm(f);
    p.setFont(f);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        const QColor c = i == m_current ? colours::kTint : colours::kTabInactive;
        const QPixmap icon = Icons::tabPixmap(m_tabs[i].icon, c, iconSize, Icons::renderScale(p));
        const double top = (height() - iconSize - fm.height() - 1) / 2.0;
        p.drawPixmap(QPointF(r.center().x() + 1 - iconSize / 2.0, top), icon);
        p.setPen(c);
        p.drawText(QRectF(r.left() + 2, top + iconSize + 1, r.width() - 4, fm.height()), Qt::AlignCenter,
                   fm.elidedText(m_tabs[i].label, Qt::ElideRight, r.width() - 4));
        if (i == m_current && hasFocus()) {
            p.setPen(QPen(colours::kTint, 2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(r).adjusted(3, 3, -3, -3), 6, 6);
        }
    }
}

QStringList TabBar::cutLabels() const {
    QStringList cut;
    const QFontMetricsF fm(labelFont());
    for (int i = 0; i < count(); ++i)
        if (fm.horizontalAdvance(m_tabs[i].label) > tabRect(i).width() - 4) cut << m_tabs[i].label;
    return cut;
}

std::vector<AccessibleItem> TabBar::accessibleItems() const {
    std::vector<AccessibleItem> items;
    for (int i = 0; i < count(); ++i) {
        AccessibleItem item;
        item.name = m_tabs[i].label;
        item.rect = tabRect(i);
        item.role = QAccessible::PageTab;
        item.selected = i == m_current;
        items.push_back(std::move(item));
    }
    return items;
}

void TabBar::keyPressEvent(QKeyEvent* e) {
    const auto to = itemForKey(e->key(), m_current, count(), false);
    if (!to) {
        QWidget::keyPressEvent(e);
        return;
    }
    setCurrentIndex(*to);
    setFocus();  // switching tabs moves the focus into the screen; the bar keeps it while arrowing
}

void TabBar::focusInEvent(QFocusEvent* e) {
    announceFocusItem(this, m_current);
    update();
    QWidget::focusInEvent(e);
}

void TabBar::focusOutEvent(QFocusEvent* e) {
    update();
    QWidget::focusOutEvent(e);
}

void TabBar::mouseReleaseEvent(QMouseEvent* e) {
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).contains(e->position().toPoint())) setCurrentIndex(i);
    }
}

}  // namespace vantro::gui
