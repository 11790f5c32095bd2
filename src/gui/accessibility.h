// SPDX-License-Identifier: MIT
// What the custom-drawn widgets (tables, tab bar, segments, charts) tell a screen reader about their items.
#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace vantro::gui {

/// One thing drawn inside a widget: a row, a tab, a segment, a bar, a slice.
struct AccessibleItem {
    QString name;
    QString value;  // what it shows beside its name: a detail, a step count, minutes
    QRect rect;     // in the widget's coordinates
    QAccessible::Role role = QAccessible::ListItem;
    bool selected = false;
    bool checked = false;
    bool checkable = false;
    bool focusable = true;  // false for what is only read, such as a section heading
};

/// Implemented by a widget that draws items of its own; the accessibility factory turns it into a
/// container whose children are the items.
class AccessibleItems {
public:
    virtual ~AccessibleItems() = default;
    virtual QAccessible::Role accessibleRole() const = 0;
    virtual std::vector<AccessibleItem> accessibleItems() const = 0;
    /// The item the keyboard is on, or -1.
    virtual int accessibleFocusItem() const { return -1; }
    /// What the default action (a tap) does to item `index`.
    virtual void activateAccessibleItem(int /*index*/) {}
};

/// Installs the factory once; the app and the tests call it before building widgets.
void installAccessibility();

/// Tells assistive technology that the keyboard moved to item `index` of `widget`.
void announceFocusItem(QWidget* widget, int index);

/// The item a key moves to in a row of `count` items (Left/Right, Home/End, and Up/Down when
/// `upDownToo`), kept inside the row; empty for a key that does not move.
std::optional<int> itemForKey(int key, int current, int count, bool upDownToo);

}  // namespace vantro::gui
