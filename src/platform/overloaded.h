// SPDX-License-Identifier: MIT
// One visitor made of several lambdas, for std::visit over the reports and the companion's events.
#pragma once

namespace vantro {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace vantro
