// SPDX-License-Identifier: MIT
// Alerts as non-blocking message boxes: a title, a message, buttons, and the answer as an index.
#include "gui/message_box.h"

#include "gui/theme.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace vantro::gui {
namespace {
constexpr char kIndexProperty[] = "vantroButtonIndex";

// A phone's alert rather than the desktop style's dialog: a white panel, flat tinted buttons, the
// default one bold, destructive ones red.
constexpr int kWindowInset = 12;  // an alert keeps this far from the window's sides

/// A message box that stays inside its window: narrower than the desktop style would make it, the
/// texts wrap and the buttons stack, as a phone's alert does with long button titles.
class Alert : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        fitWindow();
        orderTabs();
        // Once the style has polished the texts (fonts may change then), once more.
        QTimer::singleShot(0, this, [this] {
            fitWindow();
            orderTabs();
        });
    }

private:
    /// Tab goes through the buttons as they stand, top to bottom and left to right, and reaches each.
    void orderTabs() {
        auto list = buttons();
        std::sort(list.begin(), list.end(), [](QAbstractButton* a, QAbstractButton* b) {
            const QPoint pa = a->mapTo(a->window(), QPoint(0, 0)), pb = b->mapTo(b->window(), QPoint(0, 0));
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
        for (int i = 0; i + 1 < list.size(); ++i) QWidget::setTabOrder(list[i], list[i + 1]);
        // The box of buttons hands its focus to the default button; in the round it would send Tab back
        // there, so it stays out of it.
        if (auto* box = findChild<QDialogButtonBox*>()) {
            box->setFocusProxy(nullptr);
            box->setFocusPolicy(Qt::NoFocus);
        }
    }

    void fitWindow() {
        QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (!owner) return;
        const int limit = std::max(160, owner->width() - 2 * kWindowInset);
        const int w = std::min(width(), limit);
        for (QLabel* label : findChildren<QLabel*>()) {
            if (width() > limit) label->setWordWrap(true);
            if (!label->wordWrap()) {
                // A one-line text takes no spare height from the wrapped ones.
                label->setSizePolicy(label->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
                continue;
            }
            // A wrapped text is at least as tall as its lines at the width it gets.
            QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
            policy.setHeightForWidth(true);
            label->setSizePolicy(policy);
        }
        if (width() > limit) {
            if (auto* buttons = findChild<QDialogButtonBox*>()) {
                const QMargins m = layout()->contentsMargins();
                if (buttons->sizeHint().width() + m.left() + m.right() > limit) buttons->setOrientation(Qt::Vertical);
            }
        }
        layout()->activate();
        int h = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(w) : layout()->totalSizeHint().height();
        h = std::max(h, layout()->totalMinimumSize().height());
        setFixedSize(w, h);
        // The style's own sizing can leave a wrapped text a line short: give each label what it needs at
        // the width it really gets, and the box that much more height.
        for (int round = 0; round < 3; ++round) {
            layout()->setGeometry(QRect(0, 0, width(), height()));
            int missing = 0;
            for (QLabel* label : findChildren<QLabel*>()) {
                if (label->isVisible() && label->wordWrap())
                    missing += std::max(0, label->heightForWidth(label->width()) - label->height());
            }
            if (missing == 0) break;
            setFixedSize(w, height() + missing);
        }
        // Centred over the window (as a sheet would be), whatever size the box took.
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
};

QString alertStyleSheet() {
    return QStringLiteral(
               "QMessageBox { background: %1; border: 1px solid %2; }"
               "QMessageBox QLabel { color: %3; background: transparent; }"
               "QMessageBox QPushButton { color: %4; background: transparent; border: none; border-top: 1px solid %2;"
               " padding: 10px 18px; min-width: 64px; font-size: 17px; }"
               "QMessageBox QPushButton:pressed { background: %5; }"
               "QMessageBox QPushButton:focus { border: 2px solid %4; border-radius: 6px; }"
               "QMessageBox QPushButton:default { font-weight: bold; }"
               "QMessageBox QPushButton[destructive=\"true\"] { color: %6; }")
        .arg(colours::kCell.name(), colours::kSeparator.name(), colours::kText.name(), colours::kTint.name(),
             colours::kCellHighlight.name(), colours::kDestructive.name());
}
}  // namespace

QMessageBox* showMessageBox(QWidget* parent, const QString& title, const QString& message, const QStringList& buttons,
                            int cancelIndex, std::function<void(int)> answered, bool destructive, int defaultIndex) {
    auto* box = new Alert(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("alert"));
    box->setWindowTitle(title);
    box->setIcon(QMessageBox::NoIcon);
    // Phones show the title in bold above the message; an empty message leaves just the title.
    box->setTextFormat(Qt::PlainText);
    box->setText(title);
    QFont bold = box->font();
    bold.setBold(true);
    if (auto* label = box->findChild<QWidget*>(QStringLiteral("qt_msgbox_label"))) label->setFont(bold);
    if (!message.isEmpty()) box->setInformativeText(message);
    const QStringList labels = buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : buttons;
    box->setStyleSheet(alertStyleSheet());
    for (int i = 0; i < labels.size(); ++i) {
        const bool cancel = i == cancelIndex;
        const auto role =
            cancel ? QMessageBox::RejectRole : (destructive ? QMessageBox::DestructiveRole : QMessageBox::AcceptRole);
        QPushButton* b = box->addButton(labels[i], role);
        b->setProperty(kIndexProperty, i);
        if (cancel) box->setEscapeButton(b);
        if (destructive && !cancel) {
            // Return must not reach it even when it has the focus; only a deliberate click or Space does.
            b->setProperty("destructive", true);
            b->setAutoDefault(false);
        } else if (destructive ? cancel
                               : i == (defaultIndex >= 0 ? defaultIndex : static_cast<int>(labels.size()) - 1)) {
            box->setDefaultButton(b);
        }
    }
    QObject::connect(box, &QMessageBox::buttonClicked, box, [box, answered](QAbstractButton* b) {
        const int index = messageBoxButtonIndex(box, b);
        if (answered && index >= 0) answered(index);
    });
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
    return box;
}

int messageBoxButtonIndex(QMessageBox* box, QAbstractButton* button) {
    if (!box || !button) return -1;
    const QVariant v = button->property(kIndexProperty);
    return v.isValid() ? v.toInt() : -1;
}

}  // namespace vantro::gui
