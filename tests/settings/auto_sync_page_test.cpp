// SPDX-License-Identifier: MIT
#include "settings/auto_sync_page.h"

#include "app/vantro_app_delegate.h"
#include "platform/manual_run_loop.h"
#include "platform/setting_keys.h"
#include "session/session.h"
#include "settings/auto_sync.h"
#include "sim/simulated_band_source.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(AutoSyncPageTest, ShowsTheStoredIntervalAndStoresThePickedOne) {
    ManualRunLoop loop;
    CapturingLog log;
    GettextLocalizer zh("zh_CN");
    MemoryKeyValueStore settings;
    vantro::testing::TempDir dir;
    FixedBandSource source(nullptr, false);
    SessionPorts ports{{loop, log, zh, settings}};
    ports.dataDir = dir.path();
    Session session(ports, source);
    VantroAppDelegate& app = session.app();
    AutoSync& autoSync = session.autoSync();
    AutoSyncPage page(app, autoSync);

    const auto choices = page.choices();
    ASSERT_EQ(choices.size(), 5u);
    EXPECT_EQ(choices[0], zh.localizedString("AutoSyncOff"));
    EXPECT_NE(choices[2].find('3'), std::string::npos) << choices[2];
    EXPECT_EQ(choices[2].find("%1"), std::string::npos) << choices[2];
    EXPECT_EQ(page.selected(), 2);  // nothing stored: every 3 hours
    settings.setInteger(kAutoSyncHours, 0);
    EXPECT_EQ(page.selected(), 0);
    settings.setInteger(kAutoSyncHours, 7);  // not offered: the default
    EXPECT_EQ(page.selected(), 2);

    page.select(4);
    EXPECT_EQ(settings.integerForKey(kAutoSyncHours), 12);
    EXPECT_EQ(page.summary(), choices[4]);
    page.select(5);
    page.select(-1);
    EXPECT_EQ(settings.integerForKey(kAutoSyncHours), 12);
    EXPECT_EQ(page.title(), zh.localizedString("AutoSync"));
    EXPECT_NE(page.title(), "AutoSync");  // the catalog has it
}
