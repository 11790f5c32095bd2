// SPDX-License-Identifier: MIT
// What the custom-drawn widgets (tables, tab bar, segments, charts) tell a screen reader about their items.
#include "gui/accessibility.h"

#include "gui/main_window.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <map>

namespace vantro::gui {
namespace {

AccessibleItems* itemsOf(QWidget* w) {
    return dynamic_cast<AccessibleItems*>(w);
}

/// One drawn item; it reads everything afresh from its widget, so it never shows stale texts.
class ItemInterface : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemInterface(QWidget* widget, int index) : m_widget(widget), m_index(index) {}

    bool isValid() const override { return item().has_value(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_widget ? m_widget->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return m_widget ? QAccessible::queryAccessibleInterface(m_widget) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override {
        const auto i = item();
        if (!i) return {};
        switch (t) {
            case QAccessible::Name:
                return i->name;
            case QAccessible::Value:
            case QAccessible::Description:
                return i->value;
            default:
                return {};
        }
    }
    QRect rect() const override {
        const auto i = item();
        if (!i || !m_widget) return {};
        return QRect(m_widget->mapToGlobal(i->rect.topLeft()), i->rect.size());
    }
    QAccessible::Role role() const override {
        const auto i = item();
        return i ? i->role : QAccessible::NoRole;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const auto i = item();
        if (!i || !m_widget) {
            s.invalid = true;
            return s;
        }
        s.focusable = i->focusable;
        s.selectable = i->focusable;
        s.selected = i->selected;
        s.checkable = i->checkable;
        s.checked = i->checked;
        s.focused = m_widget->hasFocus() && itemsOf(m_widget)->accessibleFocusItem() == m_index;
        s.invisible = !m_widget->isVisible();
        s.offscreen = !QRect(QPoint(0, 0), m_widget->size()).intersects(i->rect);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid()) itemsOf(m_widget)->activateAccessibleItem(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    std::optional<AccessibleItem> item() const {
        AccessibleItems* items = m_widget ? itemsOf(m_widget) : nullptr;
        if (!items) return std::nullopt;
        auto all = items->accessibleItems();
        if (m_index < 0 || m_index >= static_cast<int>(all.size())) return std::nullopt;
        return all[static_cast<size_t>(m_index)];
    }

    QPointer<QWidget> m_widget;
    int m_index;
};

/// The widget as a container: its drawn items first, then its child widgets.
class ContainerInterface : public QAccessibleWidget {
public:
    explicit ContainerInterface(QWidget* w) : QAccessibleWidget(w, itemsOf(w)->accessibleRole()) {}
    ~ContainerInterface() override {
        for (const auto& [index, id] : m_children) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return itemCount() + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        const int items = itemCount();
        if (index < 0) return nullptr;
        if (index >= items) return QAccessibleWidget::child(index - items);
        auto it = m_children.find(index);
        if (it == m_children.end()) {
            auto* iface = new ItemInterface(widget(), index);
            it = m_children.emplace(index, QAccessible::registerAccessibleInterface(iface)).first;
        }
        return QAccessible::accessibleInterface(it->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [index, id] : m_children)
            if (QAccessible::accessibleInterface(id) == child) return index < itemCount() ? index : -1;
        const int i = QAccessibleWidget::indexOfChild(child);
        return i < 0 ? -1 : i + itemCount();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        const auto all = itemsOf(widget())->accessibleItems();
        for (int i = 0; i < static_cast<int>(all.size()); ++i)
            if (all[static_cast<size_t>(i)].rect.contains(local)) return child(i);
        return QAccessibleWidget::childAt(x, y);
    }
    QAccessibleInterface* focusChild() const override {
        const int i = itemsOf(widget())->accessibleFocusItem();
        return widget()->hasFocus() && i >= 0 && i < itemCount() ? child(i) : QAccessibleWidget::focusChild();
    }

private:
    int itemCount() const { return static_cast<int>(itemsOf(widget())->accessibleItems().size()); }
    mutable std::map<int, QAccessible::Id> m_children;
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    // The main window is a plain widget, which a reader would take for a filler; it is the app's frame.
    if (qobject_cast<MainWindow*>(object)) return new QAccessibleWidget(w, QAccessible::Window);
    return w && itemsOf(w) ? new ContainerInterface(w) : nullptr;
}

}  // namespace

void installAccessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(factory);
}

std::optional<int> itemForKey(int key, int current, int count, bool upDownToo) {
    int to = current;
    if (key == Qt::Key_Left || (upDownToo && key == Qt::Key_Up)) {
        to = current - 1;
    } else if (key == Qt::Key_Right || (upDownToo && key == Qt::Key_Down)) {
        to = current + 1;
    } else if (key == Qt::Key_Home) {
        to = 0;
    } else if (key == Qt::Key_End) {
        to = count - 1;
    } else {
        return std::nullopt;
    }
    return std::clamp(to, 0, std::max(0, count - 1));
}

void announceFocusItem(QWidget* widget, int index) {
    if (!widget || index < 0 || !QAccessible::isActive()) return;
    QAccessibleEvent event(widget, QAccessible::Focus);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

}  // namespace vantro::gui
