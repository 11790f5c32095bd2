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
    QSize sizeHint() const override { return {51, 31}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// A row of segments, exactly one selected; Left and Right choose one from the keyboard.
class SegmentedControl : public QWidget, public AccessibleItems {
    Q_OBJECT
public:
    explicit SegmentedControl(const std::vector<QString>& segments, QWidget* parent = nullptr);
    int selectedIndex() const { return m_selected; }
    void setSelectedIndex(int index);
    int count() const { return static_cast<int>(m_segments.size()); }
    QRect segmentRect(int index) const;
    QSize sizeHint() const override;
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

private:
    std::vector<QString> m_segments;
    int m_selected = 0;
};

/// What a screen reader calls the parts of a time picker; `less` and `more` take the field's name as %1.
struct TimePickerNames {
    QString hour, minute, less, more;
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
