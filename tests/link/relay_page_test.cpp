// SPDX-License-Identifier: MIT
#include "link/relay_page.h"
#include "settings/auto_sync_page.h"

#include "platform/setting_keys.h"

#include "session_fixture.h"

using namespace vantro;
using namespace vantro::testing;

using RelayPageTest = SessionFixture;
using AutoSyncPageTest = SessionFixture;

TEST_F(RelayPageTest, ModeAndSwitchesAreStoredAndAProblemIsShown) {
    GettextLocalizer texts("en");
    localizer = &texts;
    startOn(std::shared_ptr<BleCentral>());
    NotificationRelay& relay = session->relay();
    RelayPage page(app(), relay);

    EXPECT_EQ(page.choices(), (std::vector<std::string>{"Off", "All apps", "Chosen apps"}));
    EXPECT_EQ(page.selected(), 2);
    EXPECT_TRUE(page.switchesApply());
    page.select(1);
    EXPECT_EQ(settings.stringForKey(kRelayNotifications), "all");
    EXPECT_FALSE(page.switchesApply());
    page.select(0);
    EXPECT_EQ(settings.stringForKey(kRelayNotifications), "off");
    EXPECT_EQ(page.summary(), "Off");
    page.select(3);
    EXPECT_EQ(settings.stringForKey(kRelayNotifications), "off");

    DesktopNotification n;
    n.desktopEntry = "org.example.Mail";
    relay.notify(n);
    page.setChosen("org.example.Mail", true);
    ASSERT_EQ(page.apps().size(), 1u);
    EXPECT_TRUE(page.apps()[0].chosen);

    EXPECT_EQ(page.doNotDisturbNote(), "");
    notifier.dnd = true;
    EXPECT_NE(page.doNotDisturbNote().find("Do not disturb"), std::string::npos) << page.doNotDisturbNote();
    notifier.dnd = false;

    EXPECT_EQ(page.problem(), "");
    relay.setMonitorProblem("no session bus");
    EXPECT_EQ(page.problem(), "Notifications cannot be relayed: no session bus");
    EXPECT_EQ(page.summary(), "Not available");

    // The page says what "chosen" means and names the message switch in the settings' own words.
    EXPECT_NE(page.chosenHint().find("until"), std::string::npos) << page.chosenHint();
    const std::string note = page.messageAlertNote();
    EXPECT_NE(note.find("\u201cMessage alert\u201d"), std::string::npos) << note;
    EXPECT_EQ(note.find("%1"), std::string::npos);
}

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
