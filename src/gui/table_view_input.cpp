// SPDX-License-Identifier: MIT
// The table's input: touches and drags, the wheel, the keyboard's row ring and what a screen reader reads.
#include "gui/table_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vantro::gui {
namespace {

// How far a finger moves before a press becomes a drag rather than a tap.
constexpr double kDragSlop = 6;

}  // namespace

std::vector<RowPath> TableView::allRows() const {
    std::vector<RowPath> rows;
    for (int s = 0; s < static_cast<int>(m_sections.size()); ++s)
        for (int r = 0; r < static_cast<int>(m_sections[s].rowTops.size()); ++r) rows.push_back({s, r});
    return rows;
}

std::vector<std::optional<RowPath>> TableView::accessiblePaths() const {
    // Each section's heading (when it has one) is read before its rows.
    std::vector<std::optional<RowPath>> paths;
    for (int s = 0; s < static_cast<int>(m_sections.size()); ++s) {
        if (!m_sections[s].header.isEmpty()) paths.push_back(std::nullopt);
        for (int r = 0; r < static_cast<int>(m_sections[s].rowTops.size()); ++r) paths.push_back(RowPath{s, r});
    }
    return paths;
}

std::vector<AccessibleItem> TableView::accessibleItems() const {
    std::vector<AccessibleItem> items;
    if (!m_source) return items;
    int section = -1;
    for (const auto& path : accessiblePaths()) {
        AccessibleItem item;
        if (!path) {
            const SectionLayout& sec = m_sections[static_cast<size_t>(++section)];
            item.name = sec.header;
            item.role = QAccessible::Heading;
            item.rect = QRectF(0, sec.headerTop - m_offset, width(), sec.headerHeight).toAlignedRect();
            item.focusable = false;
            items.push_back(std::move(item));
            continue;
        }
        const auto [s, r] = *path;
        section = s;
        const TableRow row = m_source->accessibleRow(s, r);
        item.name = row.caption;
        item.value = row.detail;
        item.rect = rectForRow(s, r).toAlignedRect();
        // A check mark is the row chosen (the night shown, the band in use); the keyboard's row is the
        // focused one, which the reader learns from the focus, not from "selected".
        item.checkable = row.accessory == Accessory::Checkmark || row.style == CellStyle::Subtitle;
        item.checked = row.accessory == Accessory::Checkmark;
        item.selected = item.checked;
        items.push_back(std::move(item));
    }
    return items;
}

int TableView::accessibleFocusItem() const {
    if (!m_keyRow) return -1;
    const auto paths = accessiblePaths();
    const auto it = std::find(paths.begin(), paths.end(), std::optional<RowPath>(*m_keyRow));
    return it == paths.end() ? -1 : static_cast<int>(it - paths.begin());
}

void TableView::activateAccessibleItem(int index) {
    const auto paths = accessiblePaths();
    if (index < 0 || index >= static_cast<int>(paths.size()) || !paths[static_cast<size_t>(index)]) return;
    const RowPath row = *paths[static_cast<size_t>(index)];
    setKeyboardRow(row);
    tapRow(row.first, row.second);
}

void TableView::setKeyboardRow(std::optional<RowPath> row) {
    if (row && rectForRow(row->first, row->second).isNull()) return;
    m_keyRow = row;
    if (row) {
        scrollToRow(row->first, row->second);
        announceFocusItem(this, accessibleFocusItem());
    }
    update();
}

void TableView::keyPressEvent(QKeyEvent* e) {
    const auto rows = allRows();
    if (rows.empty()) {
        QWidget::keyPressEvent(e);
        return;
    }
    const auto it = m_keyRow ? std::find(rows.begin(), rows.end(), *m_keyRow) : rows.end();
    const long at = it == rows.end() ? -1 : it - rows.begin();
    const long last = static_cast<long>(rows.size()) - 1;
    const long page = std::max(1L, static_cast<long>(height() / std::max(1.0, rectForRow(0, 0).height())) - 1);
    long to = at;
    switch (e->key()) {
        case Qt::Key_Down:
            to = std::min(last, at + 1);
            break;
        case Qt::Key_Up:
            to = at < 0 ? 0 : std::max(0L, at - 1);
            break;
        case Qt::Key_Home:
            to = 0;
            break;
        case Qt::Key_End:
            to = last;
            break;
        case Qt::Key_PageDown:
            to = std::min(last, at + page);
            break;
        case Qt::Key_PageUp:
            to = std::max(0L, at - page);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (at < 0) break;
            tapRow(m_keyRow->first, m_keyRow->second);
            return;
        case Qt::Key_F5:
            beginRefreshing();
            return;
        default:
            QWidget::keyPressEvent(e);
            return;
    }
    if (to >= 0) setKeyboardRow(rows[static_cast<size_t>(to)]);
}

void TableView::focusInEvent(QFocusEvent* e) {
    if (!m_keyRow) {
        // Start on the first row on screen, so the ring is where the eyes are.
        const auto rows = allRows();
        for (const auto& row : rows) {
            if (m_visible.count(row)) {
                m_keyRow = row;
                break;
            }
        }
    }
    announceFocusItem(this, accessibleFocusItem());
    update();
    QWidget::focusInEvent(e);
}

void TableView::focusOutEvent(QFocusEvent* e) {
    update();
    QWidget::focusOutEvent(e);
}

void TableView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_offsetAnimation->stop();
    if (const int si = sectionIndexAt(e->position()); si >= 0 && si < static_cast<int>(m_sections.size())) {
        setContentOffset(m_sections[si].headerTop);
        return;
    }
    m_pressed = true;
    m_dragging = false;
    m_pressPos = e->position();
    m_pressOffset = m_offset;
    m_pressRow = rowAt(e->position());
    m_highlighted = m_pressRow;
    update();
}

void TableView::mouseMoveEvent(QMouseEvent* e) {
    if (!m_pressed) return;
    const double dy = e->position().y() - m_pressPos.y();
    if (!m_dragging && std::abs(dy) > kDragSlop) {
        m_dragging = true;
        m_highlighted.reset();
    }
    if (!m_dragging || (!m_scrollEnabled && !m_refreshEnabled)) {
        update();
        return;
    }
    double target = m_pressOffset - dy;
    if (!m_scrollEnabled) target = std::min(target, 0.0);
    if (target < 0) {
        // Rubber band above the top; only a refreshable list lets it go far.
        target = m_refreshEnabled ? target * 0.6 : std::max(target * 0.3, -40.0);
    } else if (target > maxOffset()) {
        target = maxOffset() + (target - maxOffset()) * 0.3;
    }
    m_offset = target;
    updateVisible();
    update();
}

void TableView::mouseReleaseEvent(QMouseEvent* e) {
    if (!m_pressed || e->button() != Qt::LeftButton) return;
    m_pressed = false;
    if (m_dragging) {
        m_dragging = false;
        if (m_refreshEnabled && !m_refreshing && m_offset <= -kRefreshThreshold) {
            beginRefreshing();
        } else {
            animateOffsetTo(std::clamp(m_offset, m_refreshing ? -kRefreshThreshold : 0.0, maxOffset()));
        }
        return;
    }
    const auto released = rowAt(e->position());
    m_highlighted.reset();
    if (released && released == m_pressRow) {
        tapRow(released->first, released->second);
    } else {
        update();
    }
}

void TableView::tapRow(int section, int row) {
    if (!m_source || rectForRow(section, row).isNull()) return;
    m_highlighted = RowPath{section, row};
    m_keyRow = RowPath{section, row};
    repaint();
    emit rowTapped(section, row);
    m_source->didSelect(section, row);
    // The selection flashes and goes, as the screens deselect their rows.
    QTimer::singleShot(160, this, [this] {
        m_highlighted.reset();
        update();
    });
}

void TableView::wheelEvent(QWheelEvent* e) {
    if (!m_scrollEnabled) return;
    const double delta = e->pixelDelta().isNull() ? e->angleDelta().y() / 120.0 * 48.0 : e->pixelDelta().y();
    setContentOffset(m_offset - delta);
    e->accept();
}

}  // namespace vantro::gui
