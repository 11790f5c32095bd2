// SPDX-License-Identifier: MIT
// A pie element that carries the text drawn beside its slice.
#include "screens/sleep_pie_element.h"

namespace vantro {

std::shared_ptr<SleepPieElement> SleepPieElement::pieElementWithValue(float val, std::optional<Color> color) {
    auto e = std::make_shared<SleepPieElement>();
    e->setVal_(val);
    e->setColor_(color);
    return e;
}

std::shared_ptr<PieElement> SleepPieElement::copy() const {
    auto e = std::make_shared<SleepPieElement>();
    e->fillWithPieElement(*this);
    e->m_title = m_title;
    return e;
}

}  // namespace vantro
