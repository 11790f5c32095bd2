// SPDX-License-Identifier: MIT
// Small phone-style controls for the property pages: an on/off switch, a segmented control, a time picker.
#pragma once

#include "gui/accessibility.h"

#include <QAbstractButton>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QSpinBox;

namespace vantro::gui {

/// The on/off switch: a rounded track with a knob, green when on.
class SwitchControl : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchControl(QWidget* parent = nullptr);
    /// A finger-sized target; the track is drawn at its usual 50 × 30 in the middle, the ring round it.
    QSize sizeHint() const override { return {58, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// A row of segments, exactly one selected; Left and Right choose one from the keyboard. Segments that
/// would be narrower than a finger go on to further lines.
class SegmentedControl : public QWidget, public AccessibleItems {
    Q_OBJECT
public:
    explicit SegmentedControl(const std::vector<QString>& segments, QWidget* parent = nullptr);
    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index);
    int count() const { return static_cast<int>(m_segments.size()); }
    /// Where a segment takes a tap (at least 44 × 44 where the control is); drawnRect is what shows.
    QRect segmentRect(int index) const;
    QRectF drawnSegmentRect(int index) const;
    /// Draws the control this high (centred) in a taller target; 0 fills it. For controls whose drawn
    /// size is fixed where they stand (over the chart).
    void setDrawnHeight(int height);
    /// The ring's colour: the tint on light pages, the orange on the dark chart.
    void setRingColour(const QColor& colour);
    int lineCount() const { return lineCountFor(width()); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    /// The point size the labels are drawn in: they shrink to fit their segments, down to a floor.
    double labelPointSize() const;
    /// Labels that do not fit their segment even at the smallest size.
    QStringList cutLabels() const;

    QAccessible::Role accessibleRole() const override { return QAccessible::Grouping; }
    std::vector<AccessibleItem> accessibleItems() const override;
    int accessibleFocusItem() const override { return m_selected; }
    void activateAccessibleItem(int index) override { setSelectedIndex(index); }

signals:
    void selectedChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int lineCountFor(int width) const;
    int perLine(int width) const;
    QRectF drawnRect() const;

    std::vector<QString> m_segments;
    int m_selected = 0;
    int m_drawnHeight = 0;
    QColor m_ring;
};

/// What a screen reader calls the parts of a time picker; `less` and `more` take the field's name as %1.
/// `separator` joins a caption and what it names ("Alarm, hour"; Chinese has its own comma).
struct TimePickerNames {
    QString hour, minute, less, more;
    QString separator = QStringLiteral(", ");
};

/// Hours 0 to 23 and minutes 0 to 59, each with its own spin field and − and + buttons.
class TimePicker : public QWidget {
    Q_OBJECT
public:
    explicit TimePicker(QWidget* parent = nullptr);
    /// Names the picker (`caption`, the row's) and each of its fields and buttons after it.
    void setNames(const QString& caption, const TimePickerNames& names);
    int hour() const;
    int minute() const;
    void setTime(int hour, int minute);
    QSpinBox* hourField() const { return m_hour; }
    QSpinBox* minuteField() const { return m_minute; }

private:
    struct Field {
        QSpinBox* box = nullptr;
        QAbstractButton* down = nullptr;
        QAbstractButton* up = nullptr;
    };
    Field m_hourField, m_minuteField;
    QSpinBox* m_hour = nullptr;
    QSpinBox* m_minute = nullptr;
};

}  // namespace vantro::gui
