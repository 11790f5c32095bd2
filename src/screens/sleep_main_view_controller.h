// SPDX-License-Identifier: MIT
// The sleep container: the title and the two child screens, the night list and the pie.
#pragma once

#include "screens/sleep_data_view_controller.h"
#include "screens/sleep_pie_view_controller.h"
#include "screens/view_controller.h"

#include <memory>

namespace vantro {

class SleepMainViewController : public ViewController {
public:
    SleepMainViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize);

    /// The usual arrangement: the pie in the upper half, the night list below it.
    static std::shared_ptr<SleepMainViewController> makeWithChildren(VantroAppDelegate& app, UiContext& ui,
                                                                     Size viewSize);

    void viewDidLoad() override;

    SleepDataViewController* dataViewController() const;
    SleepPieViewController* pieViewController() const;
};

}  // namespace vantro
