// SPDX-License-Identifier: MIT
// A widget that hosts a root view of the chart view tree: paints it, turns mouse and touch into touches.
#pragma once

#include <QPointF>
#include <QWidget>

#include <memory>

namespace vantro {
class TouchRouter;
class UiContext;
class View;
}  // namespace vantro

namespace vantro::gui {

/// Shows `root` filling the widget, repaints on every animation frame, and routes one finger (or the
/// left mouse button) to the view it began on.
class ViewHost : public QWidget {
    Q_OBJECT
public:
    ViewHost(UiContext& ui, std::shared_ptr<View> root, QWidget* parent = nullptr);
    ~ViewHost() override;

    View& root() const { return *m_root; }
    /// Makes the root as large as the widget (done on every resize).
    void fitRoot();
    /// Touch helpers for tests and the screenshot tour, in widget coordinates.
    void touchBegan(QPointF p);
    void touchMoved(QPointF p);
    void touchEnded(QPointF p);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    UiContext& m_ui;
    std::shared_ptr<View> m_root;
    std::unique_ptr<TouchRouter> m_router;
    bool m_down = false;
};

}  // namespace vantro::gui
