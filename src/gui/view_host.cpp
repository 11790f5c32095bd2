// SPDX-License-Identifier: MIT
// A widget that hosts a root view of the chart view tree: paints it, turns mouse and touch into touches.
#include "gui/view_host.h"

#include "charts/view.h"
#include "gui/qt_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>

namespace vantro::gui {

ViewHost::ViewHost(UiContext& ui, std::shared_ptr<View> root, QWidget* parent)
    : QWidget(parent), m_ui(ui), m_root(std::move(root)), m_router(std::make_unique<TouchRouter>(*m_root)) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_ui.animator().setFrameHandler([this] { update(); });
}

ViewHost::~ViewHost() {
    m_ui.animator().setFrameHandler(nullptr);
}

void ViewHost::fitRoot() {
    m_root->setFrame({0, 0, static_cast<double>(width()), static_cast<double>(height())});
    m_root->setNeedsLayout();
    update();
}

void ViewHost::resizeEvent(QResizeEvent*) {
    fitRoot();
}

void ViewHost::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    m_root->layoutIfNeeded();
    QtCanvas canvas(painter);
    m_root->render(canvas);
}

void ViewHost::touchBegan(QPointF p) {
    m_root->layoutIfNeeded();
    m_router->began({p.x(), p.y()});
    update();
}

void ViewHost::touchMoved(QPointF p) {
    m_router->moved({p.x(), p.y()});
    update();
}

void ViewHost::touchEnded(QPointF p) {
    m_router->ended({p.x(), p.y()});
    update();
}

void ViewHost::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_down = true;
    touchBegan(e->position());
}

void ViewHost::mouseMoveEvent(QMouseEvent* e) {
    if (m_down) touchMoved(e->position());
}

void ViewHost::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_down) return;
    m_down = false;
    touchEnded(e->position());
}

bool ViewHost::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel: {
            auto* te = static_cast<QTouchEvent*>(e);
            if (te->points().isEmpty()) return true;
            const QPointF p = te->points().first().position();  // one finger, as the charts use
            if (e->type() == QEvent::TouchBegin)
                touchBegan(p);
            else if (e->type() == QEvent::TouchUpdate)
                touchMoved(p);
            else if (e->type() == QEvent::TouchEnd)
                touchEnded(p);
            else
                m_router->cancelled({p.x(), p.y()});
            e->accept();
            return true;
        }
        default:
            return QWidget::event(e);
    }
}

}  // namespace vantro::gui
