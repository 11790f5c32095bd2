// SPDX-License-Identifier: MIT
// Alerts as non-blocking message boxes: a title, a message, buttons, and the answer as an index.
#pragma once

#include <QMessageBox>
#include <QStringList>

#include <functional>

namespace vantro::gui {

/// Shows a window-modal message box in the app's own look and returns at once. `answered` gets the
/// index of the clicked button in `buttons`; `cancelIndex` (or -1) names the button that Escape presses.
/// Return presses `defaultIndex` (-1: the last button), unless the box is `destructive`: then its other
/// buttons erase data or reset the band, are drawn in red, and neither Return nor Escape presses them
/// (both cancel). The box is never wider than its window: texts wrap, buttons stack.
QMessageBox* showMessageBox(QWidget* parent, const QString& title, const QString& message, const QStringList& buttons,
                            int cancelIndex, std::function<void(int)> answered, bool destructive = false,
                            int defaultIndex = -1);

/// The index of `button` in a box made by showMessageBox, or -1.
int messageBoxButtonIndex(QMessageBox* box, QAbstractButton* button);

}  // namespace vantro::gui
