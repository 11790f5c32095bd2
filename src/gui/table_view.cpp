// SPDX-License-Identifier: MIT
// A table drawn from a row model in the grouped style of a phone: sections, icons, details, indicators.
#include "gui/table_view.h"

#include "gui/app_fonts.h"
#include "gui/icons.h"
#include "gui/theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace vantro::gui {
namespace {

constexpr double kMargin = 15;
// The index is a column of finger-sized targets; a phone-sized window has no room for one beside its rows,
// so there it is left out and the table scrolls on its own.
constexpr double kIndexWidth = 44;
constexpr double kIndexLine = 44;
constexpr int kIndexMinTableWidth = 600;
constexpr double kBottomPadding = 30;

double iconSizeFor(double rowHeight) {
    return std::clamp(std::round(rowHeight * 0.5), 24.0, 44.0);
}

}  // namespace

TableView::TableView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_AcceptTouchEvents, false);  // touches arrive as synthesized mouse events
    m_offsetAnimation = new QVariantAnimation(this);
    m_offsetAnimation->setDuration(250);
    m_offsetAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_offsetAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_offset = v.toDouble();
        updateVisible();
        update();
    });
}

TableView::~TableView() = default;

void TableView::setSource(TableSource* source) {
    m_source = source;
    reloadData();
}

void TableView::setGrouped(bool grouped) {
    m_grouped = grouped;
    reloadData();
}

void TableView::setRefreshEnabled(bool enabled) {
    m_refreshEnabled = enabled;
}

void TableView::setRefreshTitle(const QString& title) {
    m_refreshTitle = title;
    update();
}

void TableView::setEmptyText(const QString& text) {
    m_emptyText = text;
    update();
}

void TableView::reloadData() {
    layoutRows();
    m_offset = std::clamp(m_offset, m_refreshing ? -kRefreshThreshold : 0.0, maxOffset());
    updateVisible();
    update();
}

void TableView::refreshVisible() {
    update();
}

void TableView::layoutRows() {
    m_sections.clear();
    m_indexTitles.clear();
    m_contentHeight = 0;
    if (!m_source) return;
    m_indexTitles = m_source->sectionIndexTitles();
    double y = bannerHeight();
    const int sections = std::max(0, m_source->sectionCount());
    for (int s = 0; s < sections; ++s) {
        SectionLayout sec;
        sec.header = m_source->headerTitle(s);
        sec.headerTop = y;
        sec.headerHeight = headerHeight(sec.header);
        y += sec.headerHeight;
        const int rows = std::max(0, m_source->rowCount(s));
        for (int r = 0; r < rows; ++r) {
            const double h = std::max(1.0, m_source->rowHeight(s, r));
            sec.rowTops.push_back(y);
            sec.rowHeights.push_back(h);
            y += h;
        }
        m_sections.push_back(std::move(sec));
    }
    if (m_grouped && !m_sections.empty()) y += kBottomPadding;
    m_contentHeight = y;
    if (m_keyRow && rectForRow(m_keyRow->first, m_keyRow->second).isNull()) m_keyRow.reset();
}

void TableView::setBanner(QWidget* banner) {
    delete m_banner;
    m_banner = banner;
    if (m_banner) m_banner->setParent(this);
    reloadData();
}

double TableView::bannerHeight() const {
    if (!m_banner || m_banner->isHidden()) return 0;
    const int w = std::max(0, width() - 2 * static_cast<int>(kMargin));
    return (m_banner->hasHeightForWidth() ? m_banner->heightForWidth(w) : m_banner->sizeHint().height()) + 8;
}

void TableView::placeBanner() {
    if (!m_banner || m_banner->isHidden()) return;
    const int w = std::max(0, width() - 2 * static_cast<int>(kMargin));
    m_banner->setGeometry(static_cast<int>(kMargin), static_cast<int>(8 - m_offset), w,
                          static_cast<int>(bannerHeight()) - 8);
}

double TableView::maxOffset() const {
    return std::max(0.0, m_contentHeight - height());
}

QRectF TableView::rectForRow(int section, int row) const {
    if (section < 0 || section >= static_cast<int>(m_sections.size())) return {};
    const auto& sec = m_sections[section];
    if (row < 0 || row >= static_cast<int>(sec.rowTops.size())) return {};
    return QRectF(0, sec.rowTops[row] - m_offset, width(), sec.rowHeights[row]);
}

void TableView::setContentOffset(double offset) {
    m_offsetAnimation->stop();
    m_offset = std::clamp(offset, m_refreshing ? -kRefreshThreshold : 0.0, maxOffset());
    updateVisible();
    update();
}

void TableView::scrollToRow(int section, int row) {
    const QRectF r = rectForRow(section, row);
    if (r.isNull()) return;
    const double top = r.top() + m_offset;
    if (r.top() < 0)
        setContentOffset(top);
    else if (r.bottom() > height())
        setContentOffset(top + r.height() - height());
}

void TableView::updateVisible() {
    placeBanner();
    std::set<RowPath> now;
    for (int s = 0; s < static_cast<int>(m_sections.size()); ++s) {
        const auto& sec = m_sections[s];
        for (int r = 0; r < static_cast<int>(sec.rowTops.size()); ++r) {
            const double top = sec.rowTops[r] - m_offset;
            if (top + sec.rowHeights[r] > 0 && top < height()) now.insert({s, r});
        }
    }
    if (now != m_visible) {
        m_visible = std::move(now);
        if (m_source) m_source->visibleRowsChanged(m_visible);
    }
}

std::optional<RowPath> TableView::rowAt(QPointF pos) const {
    const double y = pos.y() + m_offset;
    for (int s = 0; s < static_cast<int>(m_sections.size()); ++s) {
        const auto& sec = m_sections[s];
        for (int r = 0; r < static_cast<int>(sec.rowTops.size()); ++r) {
            if (y >= sec.rowTops[r] && y < sec.rowTops[r] + sec.rowHeights[r]) return RowPath{s, r};
        }
    }
    return std::nullopt;
}

QRectF TableView::sectionIndexRect() const {
    if (m_indexTitles.isEmpty() || width() < kIndexMinTableWidth) return {};
    const double h = kIndexLine * m_indexTitles.size();
    if (h > height()) return {};
    return QRectF(width() - kIndexWidth, (height() - h) / 2, kIndexWidth, h);
}

int TableView::sectionIndexAt(QPointF pos) const {
    const QRectF r = sectionIndexRect();
    if (r.isNull() || !r.contains(pos)) return -1;
    const int i = static_cast<int>((pos.y() - r.top()) / (r.height() / m_indexTitles.size()));
    return std::clamp(i, 0, static_cast<int>(m_indexTitles.size()) - 1);
}

double TableView::rightInset() const {
    return sectionIndexRect().isNull() ? 0 : kIndexWidth;
}

void TableView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), m_grouped ? colours::kGroupedBackground : colours::kCell);
    if (m_offset < 0 && m_refreshEnabled) paintRefreshIndicator(p);
    if (!m_source) return;

    bool anyRow = false;
    for (int s = 0; s < static_cast<int>(m_sections.size()); ++s) {
        const auto& sec = m_sections[s];
        const double headerTop = sec.headerTop - m_offset;
        if (!sec.header.isEmpty() && headerTop + sec.headerHeight > 0 && headerTop < height())
            paintHeader(p, sec.header, headerTop, sec.headerHeight);
        for (int r = 0; r < static_cast<int>(sec.rowTops.size()); ++r) {
            anyRow = true;
            const QRectF rr(0, sec.rowTops[r] - m_offset, width(), sec.rowHeights[r]);
            if (rr.bottom() <= 0 || rr.top() >= height()) continue;
            const TableRow row = m_source->row(s, r);
            const bool last = r + 1 == static_cast<int>(sec.rowTops.size());
            paintRow(p, rr, row, m_highlighted == RowPath{s, r}, last);
            if (hasFocus() && m_keyRow == RowPath{s, r}) {
                p.setPen(QPen(colours::kTint, 2));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(rr.adjusted(2, 2, -2 - rightInset(), -2), 4, 4);
            }
            if (m_grouped && r == 0) {
                p.fillRect(QRectF(0, rr.top(), width(), 0.5), colours::kSeparator);
            }
        }
    }
    if (hasFocus() && !m_keyRow) {
        // No row to ring (an empty list): the list itself shows that it has the keyboard.
        p.setPen(QPen(colours::kTint, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    }
    if (!anyRow && !m_emptyText.isEmpty()) {
        p.setFont(AppFonts::font(15));
        p.setPen(colours::kSecondaryText);
        p.drawText(rect().adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap, m_emptyText);
    }
    paintSectionIndex(p);
}

void TableView::paintRow(QPainter& p, const QRectF& r, const TableRow& row, bool highlighted, bool last) const {
    p.fillRect(r, highlighted ? colours::kCellHighlight : colours::kCell);
    double x = kMargin;
    const QPixmap icon =
        row.image.empty() ? QPixmap() : Icons::pixmap(row.image, iconSizeFor(r.height()), Icons::renderScale(p));
    if (!icon.isNull()) {
        const double size = iconSizeFor(r.height());
        p.drawPixmap(QPointF(x, r.top() + (r.height() - size) / 2), icon);
        x += size + kMargin;
    }
    double right = r.right() - kMargin - rightInset();
    if (row.accessory == Accessory::Disclosure) {
        const double cx = right - 4, cy = r.center().y();
        QPen pen(colours::kChevron, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.drawPolyline(QPolygonF{QPointF(cx - 4, cy - 7), QPointF(cx + 3, cy), QPointF(cx - 4, cy + 7)});
        right -= 22;
    } else if (row.accessory == Accessory::Checkmark) {
        const double cx = right - 8, cy = r.center().y();
        QPen pen(colours::kTint, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.drawPolyline(QPolygonF{QPointF(cx - 7, cy), QPointF(cx - 2, cy + 5), QPointF(cx + 8, cy - 7)});
        right -= 26;
    }
    const RowText t = layoutRowText(r, row);
    p.setFont(t.captionFont);
    p.setPen(colours::kText);
    p.drawText(t.captionRect, Qt::AlignLeft | Qt::AlignVCenter, t.caption);
    p.setFont(t.detailFont);
    p.setPen(colours::kSecondaryText);
    p.drawText(t.detailRect, t.detailAlignment | Qt::AlignVCenter, t.detail);
    // Separators run from the text's left edge; the last row of a grouped section spans the width.
    const double sepLeft = last && m_grouped ? 0 : x;
    p.fillRect(QRectF(sepLeft, r.bottom() - 0.5, r.width() - sepLeft, 0.5), colours::kSeparator);
}

TableView::RowText TableView::layoutRowText(const QRectF& r, const TableRow& row) const {
    RowText t;
    double x = kMargin;
    if (!row.image.empty()) x += iconSizeFor(r.height()) + kMargin;
    double right = r.right() - kMargin - rightInset();
    if (row.accessory == Accessory::Disclosure) right -= 22;
    if (row.accessory == Accessory::Checkmark) right -= 26;
    const double available = std::max(0.0, right - x);
    t.captionFont = AppFonts::font(row.style == CellStyle::Subtitle ? 15.5 : (r.height() >= 60 ? 17 : 16));
    const QFontMetricsF cm(t.captionFont);
    t.detailAlignment = row.style == CellStyle::Subtitle ? Qt::AlignLeft : Qt::AlignRight;
    if (row.style == CellStyle::Subtitle) {
        // A long caption (a band's identifier) shrinks to fit the narrow phones before it loses characters.
        double captionSize = 15.5;
        while (captionSize > 11 &&
               QFontMetricsF(AppFonts::font(captionSize)).horizontalAdvance(row.caption) > available)
            captionSize -= 0.5;
        t.captionFont = AppFonts::font(captionSize);
        const QFontMetricsF cm(t.captionFont);
        double detailSize = 12.5;
        while (detailSize > 10 && QFontMetricsF(AppFonts::font(detailSize)).horizontalAdvance(row.detail) > available)
            detailSize -= 0.5;
        t.detailFont = AppFonts::font(detailSize);
        const QFontMetricsF dm(t.detailFont);
        const double block = cm.height() + 3 + dm.height();
        const double top = r.top() + (r.height() - block) / 2;
        t.captionRect = QRectF(x, top, available, cm.height());
        t.detailRect = QRectF(x, top + cm.height() + 3, available, dm.height());
        t.caption = cm.elidedText(row.caption, row.captionElide, available);
        t.detail = dm.elidedText(row.detail, Qt::ElideRight, available);
    } else {
        // The caption keeps its full width when it can; the detail gets what is left, shrinks a little to
        // fit, and is elided only when even the smaller text is too long.
        const double captionWidth = std::min(cm.horizontalAdvance(row.caption), available * 0.62);
        const double detailSpace = std::max(0.0, available - captionWidth - 10);
        // On the tall rows the detail takes the caption's size (one face fewer to load for the first frame).
        double detailSize = r.height() >= 60 ? 17 : 15;
        while (detailSize > 12.5 &&
               QFontMetricsF(AppFonts::font(detailSize)).horizontalAdvance(row.detail) > detailSpace) {
            detailSize -= 0.5;
        }
        t.detailFont = AppFonts::font(detailSize);
        const QFontMetricsF dm(t.detailFont);
        const double detailWidth = std::min(dm.horizontalAdvance(row.detail), detailSpace);
        const double captionSpace = available - (detailWidth > 0 ? detailWidth + 10 : 0);
        t.captionRect = QRectF(x, r.top(), captionSpace, r.height());
        t.detailRect = QRectF(right - detailWidth - 1, r.top(), detailWidth + 1, r.height());
        t.caption = cm.elidedText(row.caption, row.captionElide, captionSpace);
        t.detail = dm.elidedText(row.detail, Qt::ElideRight, detailWidth + 1);
        const QFontMetricsF small(AppFonts::font(12.5));
        const double stacked = cm.height() + 3 + small.height();
        if ((t.caption != row.caption || t.detail != row.detail) && stacked + 8 <= r.height()) {
            // Too narrow for both on one line: the detail goes under the caption, as in a subtitle row.
            t.detailFont = AppFonts::font(12.5);
            const double top = r.top() + (r.height() - stacked) / 2;
            t.captionRect = QRectF(x, top, available, cm.height());
            t.detailRect = QRectF(x, top + cm.height() + 3, available, small.height());
            t.caption = cm.elidedText(row.caption, row.captionElide, available);
            t.detail = small.elidedText(row.detail, Qt::ElideRight, available);
            t.detailAlignment = Qt::AlignLeft;
        }
    }
    t.cut = t.caption != row.caption || t.detail != row.detail;
    return t;
}

QStringList TableView::cutTexts() {
    QStringList cut;
    if (!m_source) return cut;
    for (const auto& sec : m_sections)
        if (!sec.header.isEmpty() && headerHeight(sec.header) < headerTextHeight(sec.header)) cut << sec.header;
    for (const auto& [s, r] : allRows()) {
        const TableRow row = m_source->accessibleRow(s, r);
        const RowText t = layoutRowText(rectForRow(s, r), row);
        // A caption shortened in the middle on purpose (an identifier: both ends stay) is not counted.
        const bool deliberate = row.captionElide == Qt::ElideMiddle && t.detail == row.detail;
        if (t.cut && !deliberate) cut << row.caption + QStringLiteral(" | ") + row.detail;
    }
    return cut;
}

void TableView::beginRefreshing() {
    if (!m_refreshEnabled) return;
    m_refreshing = true;
    animateOffsetTo(-kRefreshThreshold);
    emit refreshRequested();
}

void TableView::endRefreshing() {
    if (!m_refreshing) return;
    m_refreshing = false;
    // Spring back a moment later, so the changed title can be read.
    QTimer::singleShot(350, this, [this] {
        if (!m_refreshing && !m_pressed) animateOffsetTo(std::clamp(m_offset, 0.0, maxOffset()));
    });
}

void TableView::animateOffsetTo(double target) {
    m_offsetAnimation->stop();
    if (std::abs(target - m_offset) < 0.5) {
        m_offset = target;
        updateVisible();
        update();
        return;
    }
    m_offsetAnimation->setStartValue(m_offset);
    m_offsetAnimation->setEndValue(target);
    m_offsetAnimation->start();
}

void TableView::resizeEvent(QResizeEvent*) {
    layoutRows();  // headers and the banner wrap to the width
    m_offset = std::clamp(m_offset, m_refreshing ? -kRefreshThreshold : 0.0, maxOffset());
    updateVisible();
}

}  // namespace vantro::gui
