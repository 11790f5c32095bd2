// SPDX-License-Identifier: MIT
#include "settings_screen_fixture.h"

using namespace vantro;
using namespace vantro::testing;

using PropertyPage = SettingsScreenFixture;

namespace {
void type(PropertiesViewController& p, int tag, const std::string& text) {
    ASSERT_TRUE(p.controlWithTag(tag));
    p.controlWithTag(tag)->text = text;
}
}  // namespace

TEST_F(PropertyPage, NumberPagesOpenEmptyWithPlaceholder) {
    auto& p = open({3, 0});
    EXPECT_EQ(p.title(), "PropertyBodyHeight");
    EXPECT_EQ(p.numberOfRows(), 1);
    EXPECT_EQ(p.rowHeight(), 50);
    EXPECT_FALSE(p.scrolls());
    ASSERT_TRUE(p.controlWithTag(1000) && p.controlWithTag(1001));
    EXPECT_EQ(p.controlWithTag(1000)->text, "BodyHeightUnit");
    EXPECT_EQ(p.controlWithTag(1001)->text, "");
    EXPECT_EQ(p.controlWithTag(1001)->placeholder, "txtInputHeight");
    EXPECT_TRUE(p.controlWithTag(1001)->numericKeypad);
    EXPECT_EQ(p.controlWithTag(1001)->phone, (ControlFrame{125, 16, 260, 25}));
}

TEST_F(PropertyPage, HeightIsRefusedOutsideItsBounds) {
    connectBand();
    struct Case {
        const char* text;
        const char* prompt;
    };
    const Case refused[] = {{"", "txtHeightPrompt"},        {"79", "txtHeightPromptWan"},
                            {"256", "txtHeightPromptWan"},  {"abc", "txtHeightPromptWan"},
                            {"-170", "txtHeightPromptWan"}, {"99999999999999999999999", "txtHeightPromptWan"}};
    auto& p = open({3, 0});
    for (const auto& c : refused) {
        alerts.clear();
        type(p, 1001, c.text);
        p.ProessResult();
        ASSERT_EQ(alerts.size(), 1u) << c.text;
        EXPECT_EQ(alerts[0].title, "Prompt");
        EXPECT_EQ(alerts[0].message, c.prompt);
        EXPECT_EQ(alerts[0].buttons(), (std::vector<std::string>{"OK"}));
        EXPECT_FALSE(p.dismissed());
    }
    EXPECT_EQ(settings.integerForKey("bodyHeight"), 165);
    EXPECT_TRUE(band->writes.empty());

    for (const auto& [text, frame, stored] :
         {std::tuple{"80", "04 50", 80}, std::tuple{"255", "04 FF", 255}, std::tuple{" +170cm", "04 AA", 170}}) {
        band->writes.clear();
        auto& q = open({3, 0});
        type(q, 1001, text);
        q.ProessResult();
        EXPECT_TRUE(q.dismissed()) << text;
        EXPECT_EQ(settings.integerForKey("bodyHeight"), stored);
        EXPECT_EQ(frames(), (std::vector<std::string>{frame}));
    }
    EXPECT_EQ(screen.cellForRowAtIndexPath({3, 0}).detail, "170 cm");
}

TEST_F(PropertyPage, WeightAndDisplayTimeBounds) {
    connectBand();
    const std::tuple<IndexPath, const char*, bool, const char*> cases[] = {
        {{3, 1}, "9", false, ""},     {{3, 1}, "10", true, "05 0A"},  {{4, 0}, "2", false, ""},
        {{4, 0}, "3", true, "0B 03"}, {{4, 0}, "255", true, "0B FF"},
    };
    for (const auto& [path, text, ok, frame] : cases) {
        band->writes.clear();
        auto& p = open(path);
        type(p, 1001, text);
        p.ProessResult();
        EXPECT_EQ(p.dismissed(), ok) << text;
        EXPECT_EQ(frames().empty(), !ok);
        if (ok) {
            EXPECT_EQ(frames()[0], frame);
        }
    }
    EXPECT_EQ(settings.integerForKey("displaytime"), 255);
    EXPECT_EQ(settings.integerForKey("bodyWeight"), 10);
}

TEST_F(PropertyPage, AlarmOffStillStoresThePickedTime) {
    connectBand();
    auto& p = open({2, 4});
    EXPECT_EQ(p.rowHeight(), 300);
    ASSERT_TRUE(p.controlWithTag(2002) && p.controlWithTag(2001));
    EXPECT_FALSE(p.controlWithTag(2002)->on);
    p.controlWithTag(2001)->time = {7, 30};
    p.ProessResult();
    EXPECT_EQ(frames(), (std::vector<std::string>{"0C FF FF"}));
    EXPECT_FALSE(settings.boolForKey("alertswitch"));
    EXPECT_EQ(toLocal(*settings.dateForKey("alerttime")).time(), (TimeOfDay{7, 30}));

    band->writes.clear();
    auto& q = open({2, 4});
    EXPECT_EQ(q.controlWithTag(2001)->time, (TimeOfDay{7, 30}));
    q.controlWithTag(2002)->on = true;
    q.ProessResult();
    EXPECT_EQ(frames(), (std::vector<std::string>{"0C 07 1E"}));
    EXPECT_EQ(screen.cellForRowAtIndexPath({2, 4}).detail, "07:30");
}

TEST_F(PropertyPage, ListPagesMarkOneRowAndSaveIt) {
    connectBand();
    auto& p = open({1, 1});
    EXPECT_EQ(p.numberOfRows(), 13);
    EXPECT_TRUE(p.scrolls());
    EXPECT_EQ(p.listCaption(0), "WishArray1");
    for (int r = 0; r < 13; ++r) EXPECT_FALSE(p.hasCheckmark(r));
    p.didSelectRowAtIndexPath(3);
    p.didSelectRowAtIndexPath(5);
    EXPECT_FALSE(p.hasCheckmark(3));
    EXPECT_TRUE(p.hasCheckmark(5));
    EXPECT_EQ(p.wish_row, 5);
    p.backAction();
    EXPECT_TRUE(p.dismissed());
    EXPECT_EQ(settings.integerForKey("Wish"), 0);
    EXPECT_TRUE(band->writes.empty());

    auto& q = open({1, 0});
    EXPECT_EQ(q.numberOfRows(), 17);
    q.ProessResult();  // nothing chosen: closes, sends nothing
    EXPECT_TRUE(q.dismissed());
    EXPECT_TRUE(band->writes.empty());
    auto& r = open({1, 0});
    r.didSelectRowAtIndexPath(16);
    r.ProessResult();
    EXPECT_EQ(settings.integerForKey("Present"), 16);
    EXPECT_EQ(frames(), (std::vector<std::string>{"1C 10"}));
}

TEST_F(PropertyPage, ReminderPagesClampTheStoredInterval) {
    settings.setInteger("LongTimeSitInteval", 7);
    EXPECT_EQ(open({2, 2}).controlWithTag(3001)->selectedSegment, 5);
    settings.setInteger("LongTimeSitInteval", -1);
    auto& sit = open({2, 2});
    EXPECT_EQ(sit.controlWithTag(3001)->selectedSegment, 0);
    EXPECT_EQ(sit.controlWithTag(3001)->segments.size(), 6u);
    EXPECT_EQ(sit.rowHeight(), 700);
    settings.setInteger("MedicineInteval", 20);
    auto& med = open({2, 3});
    ASSERT_TRUE(med.controlWithTag(4001));
    EXPECT_EQ(med.controlWithTag(4001)->selectedSegment, 12);
    EXPECT_EQ(med.controlWithTag(4001)->segments.front(), "txtOff");
    EXPECT_EQ(med.controlWithTag(4001)->segments.back(), "12");
    EXPECT_EQ(med.controlWithTag(4000)->text, "txtLongTimeSitIntevalHH");
    EXPECT_EQ(med.controlsFor(DeviceIdiom::Phone).size(), med.controlsFor(DeviceIdiom::Tablet).size());
}

TEST_F(PropertyPage, UnchangedWindowIsRefusedButTheIntervalIsKept) {
    connectBand();
    auto& p = open({2, 2});
    p.controlWithTag(3001)->selectedSegment = 2;
    p.ProessResult();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, "txtTimeSame");
    EXPECT_EQ(alerts[0].buttons(), (std::vector<std::string>{"OK"}));
    EXPECT_FALSE(p.dismissed());
    EXPECT_EQ(settings.integerForKey("LongTimeSitInteval"), 2);
    EXPECT_TRUE(band->writes.empty());

    p.controlWithTag(3003)->time = {18, 0};
    p.controlWithTag(3005)->time = {8, 0};
    p.ProessResult();
    EXPECT_EQ(alerts.back().message, "txtTimeLessThanStart");

    p.controlWithTag(3003)->time = {8, 0};
    p.controlWithTag(3005)->time = {18, 0};
    p.ProessResult();
    EXPECT_TRUE(p.dismissed());
    EXPECT_EQ(frames(), (std::vector<std::string>{"1E 02 08 00 12 00"}));
    EXPECT_EQ(toLocal(*settings.dateForKey("LongTimeSitETime")).time(), (TimeOfDay{18, 0}));

    auto& m = open({2, 3});
    m.controlWithTag(4001)->selectedSegment = 12;
    m.controlWithTag(4003)->time = {9, 15};
    m.controlWithTag(4005)->time = {21, 45};
    m.ProessResult();
    EXPECT_EQ(frames().back(), "1F 0C 09 0F 15 2D");
}

TEST_F(PropertyPage, EmergencyPageStoresWhateverIsTyped) {
    connectBand();
    screen.strDataExchange = "IMAPhone";
    PropertiesViewController p(screen, app);
    p.viewDidLoad();
    EXPECT_EQ(p.title(), "紧急呼叫");
    EXPECT_EQ(p.rowHeight(), 100);
    EXPECT_EQ(p.controlWithTag(1003)->text, "00");
    EXPECT_EQ(p.controlWithTag(1003)->placeholder, "请输入电话号码");
    p.controlWithTag(1002)->on = true;
    p.controlWithTag(1003)->text = "";
    p.ProessResult();
    EXPECT_TRUE(settings.boolForKey("imaswitch"));
    EXPECT_EQ(settings.stringForKey("imaphone"), "");
    EXPECT_TRUE(band->writes.empty());
}

TEST_F(PropertyPage, UnknownKeyIsAnEmptyPage) {
    screen.strDataExchange = "findme";
    PropertiesViewController p(screen, app);
    p.viewDidLoad();
    EXPECT_EQ(p.title(), "");
    EXPECT_EQ(p.numberOfRows(), 1);
    EXPECT_TRUE(p.controls().empty());
    p.ProessResult();
    EXPECT_TRUE(p.dismissed());
}

TEST(IntegerValueOfText, LeadingNumberOnly) {
    EXPECT_EQ(integerValueOfText("170abc"), 170);
    EXPECT_EQ(integerValueOfText("  -12x"), -12);
    EXPECT_EQ(integerValueOfText("+7"), 7);
    EXPECT_EQ(integerValueOfText("abc"), 0);
    EXPECT_EQ(integerValueOfText("- 5"), 0);
    EXPECT_EQ(integerValueOfText("99999999999999999999999"), LLONG_MAX);
}
