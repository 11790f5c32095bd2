// SPDX-License-Identifier: MIT
#include "link_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

const std::string kEnglishAlarm = "Cannot find the Bluetooth wristband!";

struct Alarm : FakeBandFixture {
    GettextLocalizer english{"en"};
    std::optional<GettextLocalizer> chinese;  // the language of the process: made only where it is wanted
    void SetUp() override {
        localizer = &english;
        FakeBandFixture::SetUp();
        band->connected = true;
        app().peripheral = band;
        setFindMe(true);
    }
    // The session reads the localizers, which go first.
    void TearDown() override { session.reset(); }
    void reading(double dbm) {
        band->currentRssi = dbm;
        vc->peripheralDidUpdateRSSI(*band, std::nullopt);
    }
};

}  // namespace

TEST_F(Alarm, TwoLowReadingsSoundOnceAndPostOneNotification) {
    reading(-97);
    reading(-99);
    EXPECT_EQ(sound.plays, std::vector<int>{1});  // one loop: the sound plays twice
    ASSERT_EQ(notifier.notifications.size(), 1u);
    const LocalNotification& n = notifier.notifications[0];
    EXPECT_EQ(std::tie(n.alertBody, n.alertAction, n.soundName),
              std::make_tuple(kEnglishAlarm, "OK", "alarm-sound.wav"));
    EXPECT_TRUE(log.contains("Alarm-sound played, is it playing: 1"));
    EXPECT_TRUE(Audio_player::isAlarmActive());
    // Its vibration and dialog in the running app are clicked through in the app flows.
}

TEST_F(Alarm, TheTextIsTheUsersLanguage) {
    localizer = &chinese.emplace("zh_CN");
    startOn(central);
    vc = &today();
    app().peripheral = band;
    reading(-97);
    ASSERT_EQ(notifier.notifications.size(), 1u);
    EXPECT_EQ(notifier.notifications[0].alertBody, "无法找到蓝牙手环！");
}

TEST_F(Alarm, AGoodReadingClearsAndWithdrawsAndTheNextLowOneRaisesAgain) {
    reading(-96);
    reading(-60);
    EXPECT_EQ(sound.stops, 1);
    EXPECT_FALSE(Audio_player::isAlarmActive());
    ASSERT_EQ(notifier.withdrawn.size(), 1u);
    EXPECT_EQ(notifier.withdrawn[0].alertBody, kEnglishAlarm);
    reading(-60);  // clearing a cleared alarm stops nothing
    EXPECT_EQ(sound.stops, 1);
    EXPECT_EQ(notifier.withdrawn.size(), 1u);
    reading(-96);
    EXPECT_EQ(sound.plays.size(), 2u);
    EXPECT_EQ(notifier.notifications.size(), 2u);
}

TEST_F(Alarm, ASoundThatEndedByItselfIsNotStopped) {
    reading(-96);
    sound.finish();
    reading(-50);
    EXPECT_EQ(sound.stops, 0);
    EXPECT_FALSE(Audio_player::isAlarmActive());
}

TEST_F(Alarm, SwitchingFindMeOffWhileSoundingStopsTheSoundButKeepsTheAlarmRaised) {
    reading(-98);
    ASSERT_TRUE(sound.playing);
    // What the settings screen does when find-me is switched off.
    setFindMe(false);
    Audio_player::sharedInstance().stopPlayingAlarmSound();
    EXPECT_FALSE(sound.playing);
    EXPECT_TRUE(Audio_player::isAlarmActive());
    EXPECT_EQ(notifier.withdrawn.size(), 1u);  // the box and the desktop's notice go with the sound

    setFindMe(true);
    reading(-98);  // still raised: nothing new
    EXPECT_EQ(sound.plays.size(), 1u);
    EXPECT_EQ(notifier.notifications.size(), 1u);
    reading(-95);  // -95 dBm or better clears
    EXPECT_FALSE(Audio_player::isAlarmActive());
    reading(-98);
    EXPECT_EQ(sound.plays.size(), 2u);
}

TEST_F(Alarm, WithoutTheSoundResourceTheNotificationStillGoesOut) {
    sound.loaded = false;
    reading(-100);
    EXPECT_TRUE(sound.plays.empty());
    EXPECT_TRUE(log.contains("Alarm-sound played, is it playing: 0"));
    EXPECT_EQ(notifier.notifications.size(), 1u);
    EXPECT_EQ(Audio_player::sharedInstance().player(), nullptr);
    Audio_player::sharedInstance().stopPlayingAlarmSound();
    EXPECT_EQ(sound.stops, 0);
}

TEST_F(Alarm, InTheBackgroundThePlatformShowsTheNotificationAndTheHandlerDoesNotVibrate) {
    notifier.state = AppState::Background;
    reading(-100);
    EXPECT_EQ(notifier.notifications.size(), 1u);
    EXPECT_TRUE(notifier.alerts.empty());
    app().didReceiveLocalNotification({"无法找到蓝牙手环！", "OK", "alarm-sound.wav"});
    EXPECT_EQ(sound.vibrations, 0);
    EXPECT_EQ(notifier.alerts.size(), 1u);
    notifier.state = AppState::Inactive;
    app().didReceiveLocalNotification({"body", "Open", ""});
    EXPECT_EQ(sound.vibrations, 1);
    EXPECT_EQ(notifier.alerts.back().button, "Open");
}

TEST_F(Alarm, TheBandBackEndsTheAlarmHoweverItWasRaised) {
    reading(-99);  // a weak signal, then the link drops
    band->connected = false;
    vc->didDisconnectPeripheral(*central, band, BleError{"out of range"});
    ASSERT_TRUE(Audio_player::isAlarmActive());
    band->connected = true;
    vc->didConnectPeripheral(*central, band);
    EXPECT_FALSE(Audio_player::isAlarmActive());
    EXPECT_FALSE(sound.playing);
    EXPECT_EQ(notifier.withdrawn.size(), 1u);
}
