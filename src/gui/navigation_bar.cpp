// SPDX-License-Identifier: MIT
// The bar at the top of a screen or a modal page: a centred title and up to two text buttons.
#include "gui/navigation_bar.h"

#include "gui/app_fonts.h"
#include "gui/theme.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

namespace vantro::gui {
namespace {
constexpr int kButtonMargin = 8;

/// A bar button presses on Return and Enter as well as Space, wherever it stands (outside a dialog a
/// plain push button leaves Return to its parent).
class BarButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && plain) {
            click();
            return;
        }
        QPushButton::keyPressEvent(e);
    }
};
}  // namespace

NavigationBar::NavigationBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void NavigationBar::setTitle(const QString& title) {
    m_title = title;
    setAccessibleName(title);
    update();
}

void NavigationBar::setLeftButton(const QString& text, std::function<void()> action) {
    setButton(m_left, text, std::move(action), false, "navLeft");
}

void NavigationBar::setRightButton(const QString& text, std::function<void()> action) {
    setButton(m_right, text, std::move(action), true, "navRight");
}

void NavigationBar::setButton(QPushButton*& slot, const QString& text, std::function<void()> action, bool bold,
                              const char* name) {
    delete slot;
    slot = nullptr;
    if (text.isEmpty()) return;
    slot = new BarButton(text, this);
    slot->setObjectName(QLatin1String(name));
    slot->setFlat(true);
    slot->setCursor(Qt::PointingHandCursor);
    slot->setFocusPolicy(Qt::TabFocus);
    slot->setAutoDefault(false);
    slot->setFont(AppFonts::font(16, bold));
    slot->setStyleSheet(
        // At least 44 wide with its padding: "OK" alone is still a finger's target.
        QStringLiteral("QPushButton { color: %1; border: none; background: transparent; padding: 0 6px; "
                       "min-width: 32px; }"
                       "QPushButton:pressed { color: %2; }"
                       "QPushButton:focus { border: 2px solid %1; border-radius: 6px; }")
            .arg(colours::kTint.name(), colours::kTint.lighter(160).name()));
    if (action) connect(slot, &QPushButton::clicked, this, [action] { action(); });
    // The keyboard reads the bar as the eye does, left to right, whichever button came first.
    if (m_left && m_right) QWidget::setTabOrder(m_left, m_right);
    slot->show();
    placeButtons();
}

void NavigationBar::placeButtons() {
    const int h = height();
    if (m_left) {
        m_left->adjustSize();
        m_left->setGeometry(kButtonMargin, 0, m_left->sizeHint().width(), h);
    }
    if (m_right) {
        m_right->adjustSize();
        const int w = m_right->sizeHint().width();
        m_right->setGeometry(width() - kButtonMargin - w, 0, w, h);
    }
    update();
}

void NavigationBar::resizeEvent(QResizeEvent*) {
    placeButtons();
}

QFont NavigationBar::titleFont() const {
    // A long title on a narrow phone gets a little smaller before it would lose characters.
    const double space = titleSpace();
    double size = 17;
    while (size > 13 && QFontMetricsF(AppFonts::font(size, true)).horizontalAdvance(m_title) > space) size -= 0.5;
    return AppFonts::font(size, true);
}

bool NavigationBar::titleFits() const {
    return QFontMetricsF(titleFont()).horizontalAdvance(m_title) <= titleSpace();
}

double NavigationBar::titleSpace() const {
    const int side =
        std::max(m_left ? m_left->geometry().right() + 1 : 0, m_right ? width() - m_right->geometry().left() : 0);
    return width() - 2.0 * (side + 6);
}

void NavigationBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), colours::kBarBackground);
    p.fillRect(QRectF(0, height() - 0.5, width(), 0.5), colours::kSeparator);
    // The title stays centred on the bar and is elided before it would run under a button.
    const double space = titleSpace();
    const QFont f = titleFont();
    p.setFont(f);
    p.setPen(colours::kText);
    p.drawText(QRectF((width() - space) / 2, 0, space, height()), Qt::AlignCenter,
               QFontMetricsF(f).elidedText(m_title, Qt::ElideRight, space));
}

}  // namespace vantro::gui
