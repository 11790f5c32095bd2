// SPDX-License-Identifier: MIT
// Alerts as non-blocking message boxes: a title, a message, buttons, and the answer as an index.
#include "gui/message_box.h"

#include <QPushButton>

namespace vantro::gui {
namespace {
constexpr char kIndexProperty[] = "vantroButtonIndex";
}

QMessageBox* showMessageBox(QWidget* parent, const QString& title, const QString& message, const QStringList& buttons,
                            int cancelIndex, std::function<void(int)> answered) {
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
    for (int i = 0; i < labels.size(); ++i) {
        const auto role = i == cancelIndex ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        QPushButton* b = box->addButton(labels[i], role);
        b->setProperty(kIndexProperty, i);
        if (i == cancelIndex) box->setEscapeButton(b);
        if (i == labels.size() - 1) box->setDefaultButton(b);
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
