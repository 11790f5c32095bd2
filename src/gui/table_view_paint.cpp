// SPDX-License-Identifier: MIT
// The table's decorations: section headers that wrap, the pull-to-refresh ring and the section index.
#include "gui/table_view.h"

#include "gui/app_fonts.h"
#include "gui/theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vantro::gui {
namespace {

constexpr double kMargin = 15;
constexpr double kHeaderHeight = 46;
constexpr double kGapHeight = 26;
constexpr double kPlainHeaderHeight = 28;
constexpr double kHeaderBelow = 7;  // a grouped header's text ends this far above its rows

QFont headerFont() {
    return AppFonts::font(13);
}

}  // namespace

QRectF TableView::headerTextRect(double top, double height) const {
    return QRectF(kMargin, top, width() - 2 * kMargin - rightInset(), height - kHeaderBelow);
}

double TableView::headerTextHeight(const QString& header) const {
    if (header.isEmpty()) return 0;
    const QString text = m_grouped ? header.toUpper() : header;
    const int w = std::max(1, static_cast<int>(headerTextRect(0, kHeaderHeight).width()));
    return QFontMetricsF(headerFont()).boundingRect(QRectF(0, 0, w, 10000), Qt::TextWordWrap, text).height();
}

double TableView::headerHeight(const QString& header) const {
    // A header longer than the line (a reason in plain words, a Chinese sentence at 360 px) wraps and
    // the header grows to hold it.
    if (header.isEmpty()) return m_grouped ? kGapHeight : 0;
    const double text = std::ceil(headerTextHeight(header));
    return m_grouped ? std::max(kHeaderHeight, text + kHeaderBelow + 20) : std::max(kPlainHeaderHeight, text + 10);
}

void TableView::paintHeader(QPainter& p, const QString& header, double top, double height) const {
    if (!m_grouped) p.fillRect(QRectF(0, top, width(), height), colours::kGroupedBackground);
    p.setFont(headerFont());
    p.setPen(colours::kHeaderText);
    const QRectF textRect = headerTextRect(top, m_grouped ? height : height + kHeaderBelow);
    p.drawText(textRect, Qt::AlignLeft | Qt::TextWordWrap | (m_grouped ? Qt::AlignBottom : Qt::AlignVCenter),
               m_grouped ? header.toUpper() : header);
}

void TableView::paintRefreshIndicator(QPainter& p) const {
    const double visible = -m_offset;
    const double progress = std::clamp(visible / kRefreshThreshold, 0.0, 1.0);
    const QPointF c(width() / 2.0, visible / 2.0 - 8);
    // A ring of ticks that fills as the list is pulled, like a phone's refresh control.
    p.save();
    for (int i = 0; i < 12; ++i) {
        if (!m_refreshing && i >= static_cast<int>(progress * 12 + 0.5)) break;
        const double a = -M_PI / 2 + i * M_PI / 6;
        QColor col = colours::kSecondaryText;
        col.setAlphaF(m_refreshing ? 0.35 + 0.65 * (i / 11.0) : 0.8);
        p.setPen(QPen(col, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(std::cos(a) * 5, std::sin(a) * 5), c + QPointF(std::cos(a) * 10, std::sin(a) * 10));
    }
    if (!m_refreshTitle.isEmpty() && visible > 36) {
        p.setFont(AppFonts::font(12));
        p.setPen(colours::kSecondaryText);
        p.drawText(QRectF(0, c.y() + 12, width(), 18), Qt::AlignHCenter | Qt::AlignTop, m_refreshTitle);
    }
    p.restore();
}

void TableView::paintSectionIndex(QPainter& p) const {
    const QRectF r = sectionIndexRect();
    if (r.isNull()) return;
    p.setFont(AppFonts::font(10, true));
    p.setPen(colours::kTint);
    const double lineHeight = r.height() / m_indexTitles.size();
    for (int i = 0; i < m_indexTitles.size(); ++i) {
        // Index entries are short by nature; long keys show their first letters.
        const QString t = QFontMetricsF(p.font()).elidedText(m_indexTitles[i], Qt::ElideNone, r.width()).left(3);
        p.drawText(QRectF(r.left(), r.top() + i * lineHeight, r.width(), lineHeight), Qt::AlignCenter, t);
    }
}

}  // namespace vantro::gui
