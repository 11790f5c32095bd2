// SPDX-License-Identifier: MIT
// The screen that shows one night as a pie of its four sleep phases.
#include "screens/sleep_pie_view_controller.h"

#include "platform/strprintf.h"

#include <algorithm>
#include <limits>

namespace vantro {

SleepPieViewController::SleepPieViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize)
    : ViewController(app, ui, viewSize) {}

void SleepPieViewController::loadView() {
    ViewController::loadView();
    auto pie = std::make_shared<SleepPieView>(ui(), Rect{0, 0, viewSize().width, viewSize().height});
    view()->addSubview(pie);
    m_pieView = pie;
}

void SleepPieViewController::addSlice(std::int64_t value, Color color, const char* key) {
    const auto shown = static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    auto element = SleepPieElement::pieElementWithValue(static_cast<float>(shown), color);
    element->setTitle(strprintf("%s:%d", localized(key).c_str(), shown));
    pieView()->layer().addValues({element}, false);
}

void SleepPieViewController::ShowPie(std::int32_t enter, std::int32_t spindles, std::int32_t deep, std::int32_t rem,
                                     std::int32_t wakeup) {
    view();
    const auto pie = pieView();
    if (!pie) return;
    m_shownNight = true;
    PieLayer& layer = pie->layer();
    const PieValues old = layer.values();  // the layer replaces its list on every removal
    for (const auto& e : old) layer.deleteValues({e}, false);
    addSlice(static_cast<std::int64_t>(enter) + spindles, kEnterColor, "EnterTime");
    addSlice(deep, kDeepColor, "DeepTime");
    addSlice(rem, kRemColor, "RemTime");
    addSlice(wakeup, kWakeupColor, "WakeupTime");
    layer.setTransformTitleBlock([](const PieElement& e) {
        const auto* sleep = dynamic_cast<const SleepPieElement*>(&e);
        return sleep ? sleep->title() : std::string();
    });
    layer.setShowTitles(2);
}

std::vector<SleepSlice> SleepPieViewController::slices() const {
    std::vector<SleepSlice> out;
    const auto pie = pieView();
    if (!pie) return out;
    const PieLayer& layer = pie->layer();
    const auto angles = layer.sliceAnglesInDegrees();
    for (std::size_t i = 0; i < angles.size(); ++i) {
        const auto& e = layer.values()[i];
        const auto* sleep = dynamic_cast<const SleepPieElement*>(e.get());
        out.push_back({e->val(), angles[i].first, angles[i].second, sleep ? sleep->title() : std::string(),
                       e->color().value_or(Color::clear())});
    }
    return out;
}

}  // namespace vantro
