// SPDX-License-Identifier: MIT
#include "link/notification_relay.h"
#include "link/phone_event_relay.h"

#include "settings/settings_keys.h"

#include "link_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct NotificationRelayTest : FakeBandFixture {
    void SetUp() override {
        FakeBandFixture::SetUp();
        connected();
    }
    NotificationRelay& relay() { return session->relay(); }
    static DesktopNotification from(std::string entry, std::string name = "Some App", std::optional<int> urgency = 1) {
        DesktopNotification n;
        n.desktopEntry = std::move(entry);
        n.appName = std::move(name);
        n.urgency = urgency;
        return n;
    }
    int buzzes() const {
        const auto w = band->writtenFrames();
        return static_cast<int>(std::count(w.begin(), w.end(), "07 AA"));
    }
    /// Each case on its own, past the shared ten seconds.
    void later() { loop.advance(MessageBuzzLimit::kSeconds + 1); }
};

}  // namespace

TEST_F(NotificationRelayTest, OnlyChosenAppsBuzzAndNeverOwnTransientOrLowUrgencyOnes) {
    // The default is "chosen" with nothing chosen: a first notification only puts its app on the list.
    EXPECT_FALSE(relay().notify(from("org.gnome.Evolution")));
    ASSERT_EQ(relay().apps().size(), 1u);
    EXPECT_EQ(relay().apps()[0].id, "org.gnome.Evolution");
    EXPECT_FALSE(relay().apps()[0].chosen);
    relay().setChosen("org.gnome.Evolution", true);

    struct Case {
        const char* what;
        DesktopNotification n;
        bool relayed;
    };
    DesktopNotification transient = from("org.gnome.Evolution");
    transient.transient = true;
    DesktopNotification ownConnection = from("org.gnome.Evolution");
    ownConnection.fromThisProcess = true;
    const Case cases[] = {
        {"chosen app", from("org.gnome.Evolution"), true},
        {"an app not chosen", from("org.telegram.desktop"), false},
        {"transient", transient, false},
        {"low urgency", from("org.gnome.Evolution", "Some App", 0), false},
        {"critical", from("org.gnome.Evolution", "Some App", 2), true},
        {"no urgency hint", from("org.gnome.Evolution", "Some App", std::nullopt), true},
        {"own desktop entry", from("org.vantro.Vantro"), false},
        {"own app name without entry", from("", "Vantro"), false},
        {"posted on our own connection", ownConnection, false},
        {"named only by its app name", from("", "Thunderbird"), false},
    };
    int expected = 0;
    for (const auto& c : cases) {
        later();
        EXPECT_EQ(relay().notify(c.n), c.relayed) << c.what;
        expected += c.relayed ? 1 : 0;
        EXPECT_EQ(buzzes(), expected) << c.what;
    }
    // Apps are listed once each in the order seen; the companion itself never.
    std::vector<std::string> ids;
    for (const auto& a : relay().apps()) ids.push_back(a.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"org.gnome.Evolution", "org.telegram.desktop", "Thunderbird"}));

    relay().setChosen("Thunderbird", true);
    relay().setChosen("org.gnome.Evolution", false);
    EXPECT_EQ(settings.stringForKey(kRelayAppsChosen), "Thunderbird");
    later();
    EXPECT_FALSE(relay().notify(from("org.gnome.Evolution")));
    EXPECT_TRUE(relay().notify(from("", "Thunderbird")));
}

TEST_F(NotificationRelayTest, OffAndAllOverrideTheChoice) {
    settings.setString(kRelayNotifications, "all");
    EXPECT_TRUE(relay().notify(from("org.telegram.desktop")));
    later();
    EXPECT_FALSE(relay().notify(from("org.vantro.Vantro")));  // all still means others
    settings.setString(kRelayNotifications, "off");
    relay().setChosen("org.telegram.desktop", true);
    later();
    EXPECT_FALSE(relay().notify(from("org.telegram.desktop")));
    EXPECT_EQ(buzzes(), 1);
    EXPECT_EQ(relay().apps().size(), 1u);  // still listed while off, to be chosen later
}

TEST_F(NotificationRelayTest, ABurstBuzzesOnceAndModemMessagesShareTheLimitButCallsDoNot) {
    settings.setString(kRelayNotifications, "all");
    auto modem = [&](const char* name) { telephonyNotificationCallback(app(), name, {}, &session->messageLimit()); };
    for (int i = 0; i < 10; ++i) {
        relay().notify(from("org.telegram.desktop"));
        loop.advance(0.1);
    }
    EXPECT_EQ(buzzes(), 1);
    modem("kCTMessageReceivedNotification");
    modem("kCTCallIdentificationChangeNotification");
    EXPECT_EQ(buzzes(), 1);
    EXPECT_EQ(band->writtenFrames().back(), "06 AA");

    loop.advance(MessageBuzzLimit::kSeconds);
    modem("kCTMessageReceivedNotification");
    EXPECT_EQ(buzzes(), 2);
    EXPECT_FALSE(relay().notify(from("org.telegram.desktop")));  // the modem's message took these ten seconds
    EXPECT_EQ(buzzes(), 2);
}

TEST_F(NotificationRelayTest, DoNotDisturbHoldsMessagesBackButNotCalls) {
    settings.setString(kRelayNotifications, "all");
    auto modem = [&](const char* name) { telephonyNotificationCallback(app(), name, {}, &session->messageLimit()); };
    notifier.dnd = true;
    EXPECT_FALSE(relay().notify(from("org.telegram.desktop")));
    modem("kCTMessageReceivedNotification");
    EXPECT_EQ(buzzes(), 0);
    modem("kCTCallIdentificationChangeNotification");
    EXPECT_EQ(band->writtenFrames().back(), "06 AA");
    EXPECT_TRUE(log.contains("notification of org.telegram.desktop not relayed: do not disturb"));

    // Off again: nothing held back comes late, and the next message buzzes at once (no limit used up).
    notifier.dnd = false;
    loop.advance(1);
    EXPECT_EQ(buzzes(), 0);
    modem("kCTMessageReceivedNotification");
    EXPECT_EQ(buzzes(), 1);
}

TEST_F(NotificationRelayTest, NothingGoesOutWithoutABandAndTheLimitIsNotUsedUp) {
    settings.setString(kRelayNotifications, "all");
    band->connected = false;
    EXPECT_FALSE(relay().notify(from("org.telegram.desktop")));
    band->connected = true;
    app().characteristic.reset();
    EXPECT_FALSE(relay().notify(from("org.telegram.desktop")));
    app().characteristic = band->serviceList[0]->characteristics;
    EXPECT_TRUE(relay().notify(from("org.telegram.desktop")));
    EXPECT_EQ(buzzes(), 1);
}

TEST_F(NotificationRelayTest, NamesThatCannotBeListedAreNotRememberedOrChosen) {
    settings.setString(kRelayNotifications, "all");
    // A broken desktop entry falls back on the app name; the list separator cannot split a name.
    EXPECT_EQ(NotificationRelay::appId(from("bad\xC3(", "Chat; Work")), "Chat, Work");
    EXPECT_EQ(NotificationRelay::appId(from(std::string(300, 'a'), "Mail")), "Mail");
    EXPECT_EQ(NotificationRelay::appId(from("", "line\nbreak")), "");
    EXPECT_EQ(NotificationRelay::appId(from("  ", "  Mail  ")), "Mail");
    EXPECT_TRUE(relay().notify(from("\xFF", std::string(300, 'x'))));  // "all" takes nameless apps too
    EXPECT_TRUE(relay().apps().empty());
    settings.setString(kRelayNotifications, "chosen");
    later();
    EXPECT_FALSE(relay().notify(from("", "")));

    // Never more than the cap of apps is stored.
    for (std::size_t i = 0; i < NotificationRelay::kMaxApps + 5; ++i) relay().notify(from("app" + std::to_string(i)));
    EXPECT_EQ(relay().apps().size(), NotificationRelay::kMaxApps);
}

TEST_F(NotificationRelayTest, AMonitorProblemIsSaidOnce) {
    relay().setMonitorProblem("no session bus");
    relay().setMonitorProblem("no session bus");
    EXPECT_EQ(relay().monitorProblem(), "no session bus");
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "desktop notifications are not relayed: no session bus"),
              1);
    // One the caller has logged already is kept for the relay page, and not logged a second time.
    const auto before = log.lines.size();
    relay().setMonitorProblem("monitoring refused", true);
    EXPECT_EQ(relay().monitorProblem(), "monitoring refused");
    EXPECT_EQ(log.lines.size(), before);
}

TEST_F(NotificationRelayTest, MessagesArrivingSteadilyBuzzOncePerTenSeconds) {
    // A refused message does not start the ten seconds again: one every four seconds for forty seconds
    // buzzes at 0, 12, 24 and 36 s, not only at the first.
    settings.setString(kRelayNotifications, "all");
    for (int second = 0; second <= 40; second += 4) {
        relay().notify(from("org.telegram.desktop"));
        loop.advance(4);
    }
    EXPECT_EQ(buzzes(), 4);
}
