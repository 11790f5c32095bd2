// SPDX-License-Identifier: MIT
// The sleep container: the title and the two child screens, the night list and the pie.
#include "screens/sleep_main_view_controller.h"

#include <cmath>

namespace vantro {

SleepMainViewController::SleepMainViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize)
    : ViewController(app, ui, viewSize) {}

std::shared_ptr<SleepMainViewController> SleepMainViewController::makeWithChildren(VantroAppDelegate& app,
                                                                                   UiContext& ui, Size viewSize) {
    auto main = std::make_shared<SleepMainViewController>(app, ui, viewSize);
    const double half = std::ceil(viewSize.height * 0.5);
    auto pie = std::make_shared<SleepPieViewController>(app, ui, Size{viewSize.width, half});
    auto list = std::make_shared<SleepDataViewController>(app, ui, Size{viewSize.width, viewSize.height - half});
    main->addChildViewController(pie);
    main->addChildViewController(list);
    main->view()->addSubview(pie->view());
    list->view()->setFrame({0, half, viewSize.width, viewSize.height - half});
    main->view()->addSubview(list->view());
    return main;
}

void SleepMainViewController::viewDidLoad() {
    setTitle(localized("SleepData"));
}

SleepDataViewController* SleepMainViewController::dataViewController() const {
    for (const auto& c : childViewControllers())
        if (auto* d = dynamic_cast<SleepDataViewController*>(c.get())) return d;
    return nullptr;
}

SleepPieViewController* SleepMainViewController::pieViewController() const {
    for (const auto& c : childViewControllers())
        if (auto* p = dynamic_cast<SleepPieViewController*>(c.get())) return p;
    return nullptr;
}

}  // namespace vantro
