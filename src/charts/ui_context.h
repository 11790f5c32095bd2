// SPDX-License-Identifier: MIT
// What every view shares: the run loop, the animator, text metrics and the device idiom.
#pragma once

#include "charts/animator.h"
#include "platform/canvas.h"
#include "platform/run_loop.h"
#include "platform/services.h"

namespace vantro {

/// Handed to every view and layer at creation; owned by the shell and outliving them.
class UiContext {
public:
    UiContext(RunLoop& loop, const TextMeasurer& text, DeviceIdiom idiom = DeviceIdiom::Phone)
        : m_loop(loop), m_animator(loop), m_text(text), m_idiom(idiom) {}
    UiContext(const UiContext&) = delete;
    UiContext& operator=(const UiContext&) = delete;

    RunLoop& runLoop() const { return m_loop; }
    Animator& animator() { return m_animator; }
    const TextMeasurer& text() const { return m_text; }
    DeviceIdiom idiom() const { return m_idiom; }

private:
    RunLoop& m_loop;
    Animator m_animator;
    const TextMeasurer& m_text;
    DeviceIdiom m_idiom;
};

}  // namespace vantro
