// SPDX-License-Identifier: MIT
// The "Sync automatically" and "Relay notifications" pages as small dialogs over the window.
#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace vantro {
class AutoSyncPage;
class RelayPage;
}  // namespace vantro

namespace vantro::gui {

/// Opens the page (not modal to the process: the event loop keeps running); `closed` runs when it goes.
/// The models must outlive the dialogs, which the parent window owns.
QDialog* showAutoSyncPage(QWidget* parent, AutoSyncPage& page, std::function<void()> closed);
QDialog* showRelayPage(QWidget* parent, RelayPage& page, std::function<void()> closed);

}  // namespace vantro::gui
