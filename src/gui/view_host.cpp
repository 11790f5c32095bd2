// SPDX-License-Identifier: MIT
// A widget that hosts a root view of the chart view tree: paints it, turns mouse and touch into touches.
#include "gui/view_host.h"

#include "charts/view.h"
#include "gui/qt_canvas.h"
#include "gui/theme.h"

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
    const QSizeF frame = m_layoutSize.isEmpty() ? QSizeF(QWidget::size()) : m_layoutSize;
    m_root->setFrame({0, 0, frame.width(), frame.height()});
    m_root->setNeedsLayout();
    update();
    emit rootPlaced();
}

void ViewHost::setLayoutSize(QSizeF size) {
    m_layoutSize = size;
    fitRoot();
}

double ViewHost::rootScale() const {
    if (m_layoutSize.isEmpty() || width() <= 0 || height() <= 0) return 1.0;
    return std::min(width() / m_layoutSize.width(), height() / m_layoutSize.height());
}

QPointF ViewHost::fromRoot(QPointF p) const {
    if (m_layoutSize.isEmpty()) return p;
    const double s = rootScale();
    const QPointF origin((width() - m_layoutSize.width() * s) / 2, (height() - m_layoutSize.height() * s) / 2);
    return origin + p * s;
}

QRectF ViewHost::fromRoot(const QRectF& r) const {
    return QRectF(fromRoot(r.topLeft()), fromRoot(r.bottomRight()));
}

QPointF ViewHost::toRoot(QPointF p) const {
    if (m_layoutSize.isEmpty()) return p;
    const double s = rootScale();
    return (p - fromRoot(QPointF(0, 0))) / s;
}

std::vector<AccessibleItem> ViewHost::accessibleItems() const {
    if (!m_accessible.items) return {};
    auto items = m_accessible.items();
    for (auto& item : items) item.rect = fromRoot(QRectF(item.rect)).toAlignedRect();
    return items;
}

void ViewHost::resizeEvent(QResizeEvent*) {
    fitRoot();
}

void ViewHost::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_ground);
    m_root->layoutIfNeeded();
    if (!m_layoutSize.isEmpty()) {
        // The layout of the reference size, scaled as a whole: the charts keep their proportions.
        painter.translate(fromRoot(QPointF(0, 0)));
        painter.scale(rootScale(), rootScale());
        painter.setClipRect(QRectF(QPointF(0, 0), m_layoutSize));
    }
    {
        QtCanvas canvas(painter);
        m_root->render(canvas);
    }
    if (hasFocus()) {
        painter.resetTransform();
        painter.setClipping(false);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colours::kRingOnDark, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    }
}

void ViewHost::focusInEvent(QFocusEvent* e) {
    update();
    QWidget::focusInEvent(e);
}

void ViewHost::focusOutEvent(QFocusEvent* e) {
    update();
    QWidget::focusOutEvent(e);
}

void ViewHost::touchBegan(QPointF p) {
    m_root->layoutIfNeeded();
    const QPointF r = toRoot(p);
    m_router->began({r.x(), r.y()});
    update();
}

void ViewHost::touchMoved(QPointF p) {
    const QPointF r = toRoot(p);
    m_router->moved({r.x(), r.y()});
    update();
}

void ViewHost::touchEnded(QPointF p) {
    const QPointF r = toRoot(p);
    m_router->ended({r.x(), r.y()});
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
                m_router->cancelled({toRoot(p).x(), toRoot(p).y()});
            e->accept();
            return true;
        }
        default:
            return QWidget::event(e);
    }
}

}  // namespace vantro::gui
