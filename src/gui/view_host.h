// SPDX-License-Identifier: MIT
// A widget that hosts a root view of the chart view tree: paints it, turns mouse and touch into touches.
#pragma once

#include "gui/accessibility.h"

#include <QPointF>
#include <QWidget>

#include <functional>
#include <memory>

namespace vantro {
class TouchRouter;
class UiContext;
class View;
}  // namespace vantro

namespace vantro::gui {

/// Shows `root` filling the widget, repaints on every animation frame, and routes one finger (or the
/// left mouse button) to the view it began on.
class ViewHost : public QWidget, public AccessibleItems {
    Q_OBJECT
public:
    /// What the screen that owns the views tells a screen reader about them (in root coordinates;
    /// the host maps them). Without items the host is a plain picture.
    struct AccessibleSource {
        QAccessible::Role role = QAccessible::Chart;
        std::function<std::vector<AccessibleItem>()> items;
        std::function<int()> focusItem;
        std::function<void(int)> activate;
    };
    void setAccessibleSource(AccessibleSource source) { m_accessible = std::move(source); }
    QAccessible::Role accessibleRole() const override { return m_accessible.role; }
    std::vector<AccessibleItem> accessibleItems() const override;
    int accessibleFocusItem() const override { return m_accessible.focusItem ? m_accessible.focusItem() : -1; }
    void activateAccessibleItem(int index) override {
        if (m_accessible.activate) m_accessible.activate(index);
    }

    ViewHost(UiContext& ui, std::shared_ptr<View> root, QWidget* parent = nullptr);
    ~ViewHost() override;

    View& root() const { return *m_root; }
    /// Makes the root as large as the widget (done on every resize), unless a layout size is set.
    void fitRoot();
    /// The size the root's layout was made for. Once set the root keeps it and is drawn scaled to fit
    /// the widget, centred, on the ground colour; an empty size makes the root follow the widget again.
    void setLayoutSize(QSizeF size);
    QSizeF layoutSize() const { return m_layoutSize; }
    void setGroundColor(const QColor& colour) { m_ground = colour; }
    /// Root coordinates to widget coordinates and back.
    QPointF fromRoot(QPointF p) const;
    QRectF fromRoot(const QRectF& r) const;
    QPointF toRoot(QPointF p) const;
    double rootScale() const;
    /// Touch helpers for tests and the screenshot tour, in widget coordinates.
    void touchBegan(QPointF p);
    void touchMoved(QPointF p);
    void touchEnded(QPointF p);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    UiContext& m_ui;
    std::shared_ptr<View> m_root;
    std::unique_ptr<TouchRouter> m_router;
    bool m_down = false;
    QSizeF m_layoutSize;
    AccessibleSource m_accessible;
    QColor m_ground = Qt::white;

signals:
    /// The root moved or changed its scale in the widget; controls placed over it follow.
    void rootPlaced();
};

}  // namespace vantro::gui
