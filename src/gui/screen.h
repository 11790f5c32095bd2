// SPDX-License-Identifier: MIT
// One screen of the shell: its widget, its title and the appearance callbacks of a phone screen.
#pragma once

#include <QString>

class QWidget;

namespace vantro::gui {

/// A tab's screen. The main window owns the widget once the screen is placed in a tab.
class Screen {
public:
    virtual ~Screen() = default;
    virtual QWidget* view() = 0;
    virtual QString title() const = 0;
    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    virtual void viewWillDisappear() {}
};

}  // namespace vantro::gui
