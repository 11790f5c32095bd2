// SPDX-License-Identifier: MIT
// A pie element that carries the text drawn beside its slice.
#pragma once

#include "charts/pie_element.h"

#include <memory>
#include <string>

namespace vantro {

/// Copies keep the title, so animation frames show it too.
class SleepPieElement : public PieElement {
public:
    static std::shared_ptr<SleepPieElement> pieElementWithValue(float val, std::optional<Color> color);

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }

    std::shared_ptr<PieElement> copy() const override;
    std::string className() const override { return "SleepPieElement"; }

private:
    std::string m_title;
};

}  // namespace vantro
