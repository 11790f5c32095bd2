// SPDX-License-Identifier: MIT
// A dialog the shell shows and answers: title, message, buttons, and what the answer does.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantro {

/// Texts are final (already localised where the screen localises them). Button 0 is the cancel
/// button when there is one, then the other buttons in order.
struct AlertModel {
    std::string title;
    std::string message;
    std::optional<std::string> cancelButton;
    std::vector<std::string> otherButtons;
    /// Called with the index of the tapped button; empty when the dialog has no delegate.
    std::function<void(int buttonIndex)> clickedButtonAtIndex;
    /// The other buttons erase data or reset the band: the cancel button is the default answer.
    bool destructive = false;

    std::vector<std::string> buttons() const {
        std::vector<std::string> all;
        if (cancelButton) all.push_back(*cancelButton);
        all.insert(all.end(), otherButtons.begin(), otherButtons.end());
        return all;
    }
};

/// Row and section of a table.
struct IndexPath {
    int section = 0;
    int row = 0;
    auto operator<=>(const IndexPath&) const = default;
};

}  // namespace vantro
