// SPDX-License-Identifier: MIT
// Alerts as non-blocking message boxes: a title, a message, buttons, and the answer as an index.
#include "gui/message_box.h"

#include "gui/theme.h"

#include <QPushButton>

namespace vantro::gui {
namespace {
constexpr char kIndexProperty[] = "vantroButtonIndex";

// A phone's alert rather than the desktop style's dialog: a white panel, flat tinted buttons, the
// default one bold, destructive ones red.
QString alertStyleSheet() {
    return QStringLiteral(
               "QMessageBox { background: %1; border: 1px solid %2; }"
               "QMessageBox QLabel { color: %3; background: transparent; }"
               "QMessageBox QPushButton { color: %4; background: transparent; border: none; border-top: 1px solid %2;"
               " padding: 10px 18px; min-width: 64px; font-size: 17px; }"
               "QMessageBox QPushButton:pressed { background: %5; }"
               "QMessageBox QPushButton:default { font-weight: bold; }"
               "QMessageBox QPushButton[destructive=\"true\"] { color: %6; }")
        .arg(colours::kCell.name(), colours::kSeparator.name(), colours::kText.name(), colours::kTint.name(),
             colours::kCellHighlight.name(), colours::kDestructive.name());
}
}  // namespace

QMessageBox* showMessageBox(QWidget* parent, const QString& title, const QString& message, const QStringList& buttons,
                            int cancelIndex, std::function<void(int)> answered, bool destructive) {
    auto* box = new QMessageBox(parent);
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
        } else if (destructive ? cancel : i == labels.size() - 1) {
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
