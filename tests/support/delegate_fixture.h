// SPDX-License-Identifier: MIT
// A delegate built by hand on virtual time, for the tests of the delegate and its parts as units; the
// running companion is SessionFixture's.
#pragma once

#include "app/vantro_app_delegate.h"
#include "platform/manual_run_loop.h"

#include "fake_ble.h"
#include "virtual_time.h"

#include <gtest/gtest.h>

namespace vantro::testing {

template <class Texts = IdentityLocalizer>
struct DelegateFixture : ::testing::Test {
    ManualRunLoop loop{kTestStart};
    CapturingLog log;
    Texts localizer;
    MemoryKeyValueStore settings;
    CompanionStateKeeper state;
    VantroAppDelegate app{AppPorts{loop, log, localizer, settings}, state};
};

}  // namespace vantro::testing
