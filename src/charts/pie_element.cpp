// SPDX-License-Identifier: MIT
// One value of the pie with its colour, pull-out and title settings.
#include "charts/pie_element.h"

#include "charts/pie_layer.h"
#include "platform/strprintf.h"

#include <algorithm>
#include <cmath>

namespace vantro {

bool PieElement::s_animationGroup = false;

std::shared_ptr<PieElement> PieElement::pieElementWithValue(float val, std::optional<Color> color) {
    auto e = std::make_shared<PieElement>();
    e->m_val = val;
    e->m_color = color;
    return e;
}

void PieElement::animateChanges(const std::function<void()>& changes) {
    const bool outer = s_animationGroup;
    s_animationGroup = true;
    if (changes) changes();
    s_animationGroup = outer;
}

std::shared_ptr<PieElement> PieElement::copy() const {
    auto e = std::make_shared<PieElement>();
    e->fillWithPieElement(*this);
    return e;
}

void PieElement::fillWithPieElement(const PieElement& other) {
    m_val = other.m_val;
    m_color = other.m_color;
    m_centrOffset = other.m_centrOffset;
    m_showTitle = other.m_showTitle;
    m_titleAlpha = other.m_titleAlpha;
}

std::string PieElement::description() const {
    return strprintf("[%s: %f]", className().c_str(), static_cast<double>(m_val));
}

template <typename T>
void PieElement::change(T& field, T value) {
    if (field == value) return;
    if (s_animationGroup) {
        // The layers record what is on screen before the new value becomes the target.
        notifyPerformForAnimation();
        field = value;
    } else {
        field = value;
        notifyUpdated();
    }
}

void PieElement::setVal(float val) {
    change(m_val, std::max(0.0f, val));  // a NaN becomes 0 as well
}

void PieElement::setColor(std::optional<Color> color) {
    change(m_color, color);
}

void PieElement::setCentrOffset(float offset) {
    change(m_centrOffset, offset);
}

void PieElement::setShowTitle(bool show) {
    change(m_showTitle, show);
}

void PieElement::addedToPieLayer(PieLayer* layer) {
    if (!m_layers) m_layers.emplace();
    m_layers->push_back(layer);
}

void PieElement::removedFromLayer(PieLayer* layer) {
    if (!m_layers) return;
    auto it = std::find(m_layers->begin(), m_layers->end(), layer);
    if (it != m_layers->end()) m_layers->erase(it);
}

void PieElement::notifyUpdated() {
    if (!m_layers) return;
    const auto layers = *m_layers;  // a layer may change the list while it reacts
    for (PieLayer* l : layers) l->pieElementUpdate();
}

void PieElement::notifyPerformForAnimation() {
    if (!m_layers) return;
    const auto layers = *m_layers;
    for (PieLayer* l : layers) l->pieElementWillAnimateUpdate();
}

std::vector<std::shared_ptr<PieElement>> PieElement::animationValuesToPieElement(const std::shared_ptr<PieElement>& to,
                                                                                 int capacity) const {
    std::vector<std::shared_ptr<PieElement>> out;
    if (capacity <= 0 || !to) return out;
    if (capacity == 1) {
        out.push_back(to);
        return out;
    }
    out.reserve(static_cast<std::size_t>(capacity));
    for (int k = 0; k < capacity; ++k) {
        const float t = static_cast<float>(k) / static_cast<float>(capacity - 1);
        auto e = copy();
        e->setVal_(m_val + t * (to->m_val - m_val));
        e->setColor_(colorBetweenColor1(m_color, to->m_color, t));
        e->setCentrOffset_(m_centrOffset + t * (to->m_centrOffset - m_centrOffset));
        e->setTitleAlpha(m_titleAlpha + t * (to->m_titleAlpha - m_titleAlpha));
        out.push_back(std::move(e));
    }
    return out;
}

Color PieElement::colorBetweenColor1(const std::optional<Color>& c1, const std::optional<Color>& c2, float value) {
    const Color a = c1.value_or(Color{0, 0, 0, 0});
    const Color b = c2.value_or(Color{0, 0, 0, 0});
    const float v = value > 0 ? std::min(value, 1.0f) : 0.0f;
    return {a.r + v * (b.r - a.r), a.g + v * (b.g - a.g), a.b + v * (b.b - a.b), a.a + v * (b.a - a.a)};
}

}  // namespace vantro
