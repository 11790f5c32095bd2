// SPDX-License-Identifier: MIT
// The "Sync automatically" and "Relay notifications" pages, presented over the window like the other pages.
#pragma once

#include <QString>

#include <functional>

namespace vantro {
class AutoSyncPage;
class RelayPage;
}  // namespace vantro

namespace vantro::gui {

class MainWindow;
class ModalPage;

/// Presents the page in `window` (it fits the window and scrolls when it is taller); a choice is stored
/// when it is picked, so the bar only has `closeText`, which Escape presses too. `closed` runs when the
/// page has gone. The models must outlive the page.
ModalPage* showAutoSyncPage(MainWindow& window, AutoSyncPage& page, const QString& closeText,
                            std::function<void()> closed);
ModalPage* showRelayPage(MainWindow& window, RelayPage& page, const QString& closeText, std::function<void()> closed);

}  // namespace vantro::gui
