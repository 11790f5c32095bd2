// SPDX-License-Identifier: MIT
// A table drawn from a row model in the grouped style of a phone: sections, icons, details, indicators.
#pragma once

#include "gui/accessibility.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <set>
#include <utility>
#include <vector>

class QVariantAnimation;

namespace vantro::gui {

enum class Accessory { None, Disclosure, Checkmark };
enum class CellStyle { Value1, Subtitle };  // detail at the right, or under the caption

/// One row as drawn.
struct TableRow {
    QString caption;
    QString detail;
    std::string image;  // an image name such as "sports_step.png"; empty for none
    Accessory accessory = Accessory::None;
    CellStyle style = CellStyle::Value1;
    /// Where a caption too long for its row loses characters (the middle keeps both ends readable).
    Qt::TextElideMode captionElide = Qt::ElideRight;
};

using RowPath = std::pair<int, int>;  // section, row

/// What a screen model offers the table.
class TableSource {
public:
    virtual ~TableSource() = default;
    virtual int sectionCount() const = 0;
    virtual int rowCount(int section) const = 0;
    virtual QString headerTitle(int /*section*/) const { return {}; }
    virtual double rowHeight(int section, int row) const = 0;
    virtual TableRow row(int section, int row) = 0;
    virtual void didSelect(int /*section*/, int /*row*/) {}
    /// Called before painting whenever the set of rows on screen changes.
    virtual void visibleRowsChanged(const std::set<RowPath>& /*rows*/) {}
    virtual QStringList sectionIndexTitles() const { return {}; }
    /// The row as a screen reader reads it; a row off screen may be asked for too. The drawn row by default.
    virtual TableRow accessibleRow(int section, int r) { return row(section, r); }
};

/// Draws a TableSource; scrolls by drag, wheel and keys, selects by tap or Return, and can be pulled to
/// refresh. Up and Down move the keyboard's row, drawn with a focus ring.
class TableView : public QWidget, public AccessibleItems {
    Q_OBJECT
public:
    explicit TableView(QWidget* parent = nullptr);
    ~TableView() override;

    void setSource(TableSource* source);
    /// Grouped: inset sections on a grey background with headers. Plain: rows edge to edge.
    void setGrouped(bool grouped);
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }
    /// Pull-to-refresh: dragging the top of the list down past a threshold emits refreshRequested.
    void setRefreshEnabled(bool enabled);
    void setRefreshTitle(const QString& title);
    /// Ends the refreshing state and lets the list spring back.
    void endRefreshing();
    bool isRefreshing() const { return m_refreshing; }
    /// Text shown when the source has no rows at all.
    void setEmptyText(const QString& text);
    QString emptyText() const { return m_emptyText; }
    /// A widget above the first section that scrolls with the rows (taken over); a hidden one takes no room.
    void setBanner(QWidget* banner);
    QWidget* banner() const { return m_banner; }

    /// The row the keyboard is on.
    std::optional<RowPath> keyboardRow() const { return m_keyRow; }
    void setKeyboardRow(std::optional<RowPath> row);
    /// The header of `section` as laid out now (empty for a section the table does not have).
    QString shownHeader(int section) const {
        const auto i = static_cast<size_t>(section);
        return section >= 0 && i < m_sections.size() ? m_sections[i].header : QString();
    }
    /// Texts that do not fit where they are drawn at the present size (captions, details, headers).
    QStringList cutTexts();
    /// Where the section index stands (null when there is none or the table is too small for one) and the
    /// width it takes from the rows.
    QRectF sectionIndexRect() const;
    double rightInset() const;

    QAccessible::Role accessibleRole() const override { return QAccessible::List; }
    std::vector<AccessibleItem> accessibleItems() const override;
    int accessibleFocusItem() const override;
    void activateAccessibleItem(int index) override;

    /// Re-reads the source: rows, heights and texts.
    void reloadData();
    /// Repaints with the rows' current texts, without re-reading the layout.
    void refreshVisible();

    /// Geometry of a row in widget coordinates (it may lie outside the visible area).
    QRectF rectForRow(int section, int row) const;
    std::set<RowPath> visibleRows() const { return m_visible; }
    double contentHeight() const { return m_contentHeight; }
    double contentOffset() const { return m_offset; }
    void setContentOffset(double offset);
    void scrollToRow(int section, int row);

    /// Programmatic tap, as the mouse would do it: flash and select.
    void tapRow(int section, int row);
    /// What a pull past the threshold does (also the mouse users' refresh action).
    void beginRefreshing();

    static constexpr double kRefreshThreshold = 64.0;

signals:
    void refreshRequested();
    void rowTapped(int section, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct RowText {
        QString caption, detail;
        QRectF captionRect, detailRect;
        QFont captionFont, detailFont;
        Qt::Alignment detailAlignment = Qt::AlignRight;
        bool cut = false;  // a text had to be elided
    };
    RowText layoutRowText(const QRectF& r, const TableRow& row) const;
    std::vector<RowPath> allRows() const;
    /// The screen reader's items in order: a section's heading (empty) then its rows.
    std::vector<std::optional<RowPath>> accessiblePaths() const;
    void placeBanner();
    double bannerHeight() const;
    struct SectionLayout {
        double headerTop = 0;
        double headerHeight = 0;
        QString header;
        std::vector<double> rowTops;
        std::vector<double> rowHeights;
    };

    void layoutRows();
    void updateVisible();
    double maxOffset() const;
    void animateOffsetTo(double target);
    std::optional<RowPath> rowAt(QPointF pos) const;
    int sectionIndexAt(QPointF pos) const;
    void paintRow(QPainter& p, const QRectF& r, const TableRow& row, bool highlighted, bool lastInSection) const;
    void paintRefreshIndicator(QPainter& p) const;
    void paintHeader(QPainter& p, const QString& header, double top, double height) const;
    /// A section header's height at the present width (it wraps), and that of its text alone.
    double headerHeight(const QString& header) const;
    double headerTextHeight(const QString& header) const;
    QRectF headerTextRect(double top, double height) const;
    void paintSectionIndex(QPainter& p) const;

    TableSource* m_source = nullptr;
    bool m_grouped = true;
    bool m_scrollEnabled = true;
    bool m_refreshEnabled = false;
    bool m_refreshing = false;
    QString m_refreshTitle;
    QString m_emptyText;
    std::vector<SectionLayout> m_sections;
    QStringList m_indexTitles;
    double m_contentHeight = 0;
    double m_offset = 0;
    std::set<RowPath> m_visible;
    std::optional<RowPath> m_highlighted;
    std::optional<RowPath> m_keyRow;
    QWidget* m_banner = nullptr;

    // Touch tracking.
    bool m_pressed = false;
    bool m_dragging = false;
    QPointF m_pressPos;
    double m_pressOffset = 0;
    std::optional<RowPath> m_pressRow;
    QVariantAnimation* m_offsetAnimation = nullptr;
};

}  // namespace vantro::gui
