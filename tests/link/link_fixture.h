// SPDX-License-Identifier: MIT
// The companion on a scripted central with one scripted band in reach, not yet connected.
#pragma once

#include "link/audio_player.h"
#include "protocol/codes.h"
#include "settings/settings_keys.h"

#include "fake_ble.h"
#include "session_fixture.h"

namespace vantro::testing {

struct FakeBandFixture : SessionFixture {
    std::shared_ptr<FakeCentral> central = std::make_shared<FakeCentral>();
    std::shared_ptr<FakePeripheral> band = scriptedBand();
    VantroViewController* vc = nullptr;

    void SetUp() override {
        // The link on its own: no sync starts when the band's reports are subscribed to.
        settings.setInteger(kAutoSyncHours, 0);
        startOn(central);
        vc = &today();
    }
    /// The band as it is after connection, discovery and subscription.
    void connected() {
        band->addWristbandService();
        band->connected = true;
        app().peripheral = band;
        app().characteristic = band->serviceList[0]->characteristics;
    }
};

}  // namespace vantro::testing
