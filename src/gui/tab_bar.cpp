// SPDX-License-Identifier: MIT
// The tab bar at the bottom of the window: an icon and a short label per screen.
#include "gui/tab_bar.h"

#include "gui/app_fonts.h"
#include "gui/icons.h"
#include "gui/theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace vantro::gui {

TabBar::TabBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
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
    const QFont f = AppFonts::font(height() >= 54 ? 12 : 10.5);
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
    }
}

void TabBar::mouseReleaseEvent(QMouseEvent* e) {
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).contains(e->position().toPoint())) setCurrentIndex(i);
    }
}

}  // namespace vantro::gui
