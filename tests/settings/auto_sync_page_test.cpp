// SPDX-License-Identifier: MIT
#include "settings/auto_sync_page.h"

#include "platform/setting_keys.h"

#include "session_fixture.h"

using namespace vantro;
using namespace vantro::testing;

using AutoSyncPageTest = SessionFixture;

TEST_F(AutoSyncPageTest, ShowsTheStoredIntervalAndStoresThePickedOne) {
    GettextLocalizer zh("zh_CN");
    localizer = &zh;
    startOn(std::shared_ptr<BleCentral>());
    AutoSyncPage page(app(), session->autoSync());

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
    session.reset();                      // before the texts it reads
}
