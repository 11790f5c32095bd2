// SPDX-License-Identifier: MIT
#include "link/phone_event_relay.h"

#include "link_fixture.h"

using namespace vantro;
using namespace vantro::testing;

namespace {

struct Relay : FakeBandFixture {
    void SetUp() override {
        FakeBandFixture::SetUp();
        connected();
        log.lines.clear();
    }
    std::vector<std::string> writes() const { return band->writtenFrames(); }
};

}  // namespace

TEST_F(Relay, CallsAndMessagesAreAnnouncedOthersOnlyLogged) {
    const std::pair<const char*, const char*> table[] = {
        {"kCTCallStatusChangeNotification", nullptr},
        {"kCTCallIdentificationChangeNotification", "SendData: CMD_TYPE_TELIN"},
        {"kCTRegistrationDataStatusChangedNotification", nullptr},
        {"kCTSMSMessageReceivedNotification", "Message"},
        {"kCTMessageReceivedNotification", "SendData: CMD_TYPE_MSGIN"},
        {"kCTIndicatorsSignalStrengthNotification", "single"},
        {"kCTRegistrationStatusChangedNotification", "network"},
        {"kCTRegistrationCellChangedNotification", "Cell change Notification"},
        {"kCTIndicatorRadioTransmitNotification", "indication transmit notificaton"},
        {"kCTSomethingElse", nullptr},
        {"", nullptr},
    };
    for (const auto& [name, line] : table) {
        log.lines.clear();
        telephony->deliver(name);
        EXPECT_TRUE(log.lines.empty()) << "ran on the notifying thread: " << name;
        loop.runPending();
        if (line) {
            EXPECT_EQ(log.lines, std::vector<std::string>{line}) << name;
        } else {
            EXPECT_TRUE(log.lines.empty()) << name;
        }
    }
    EXPECT_EQ(writes(), (std::vector<std::string>{"06 AA", "07 AA"}));
}

TEST_F(Relay, EveryNotificationIsRelayedOnItsOwn) {
    telephony->deliver("kCTCallIdentificationChangeNotification");
    telephony->deliver("kCTCallIdentificationChangeNotification");
    telephony->deliver("kCTSMSMessageReceivedNotification", {{"kCTSMSMessage", "hi"}});
    telephony->deliver("kCTCallIdentificationChangeNotification");
    loop.runPending();
    EXPECT_EQ(writes(), (std::vector<std::string>{"06 AA", "06 AA", "06 AA"}));
    EXPECT_EQ(log.lines[2], "Message");
}

TEST(DialableNumber, KeepsDigitsStarHashAndOneLeadingPlus) {
    const std::pair<const char*, const char*> table[] = {
        {"112", "112"},      {"00", "00"},           {"+49 (30) 123-45.67", "+49301234567"},
        {"  110  ", "110"},  {"*#06#", "*#06#"},     {"+", nullptr},
        {"", nullptr},       {" - . ( ) ", nullptr}, {"112abc", nullptr},
        {"1+2", nullptr},    {"++1", nullptr},       {"12,34", nullptr},
        {"112;rm", nullptr}, {"tel://112", nullptr}, {"１１２", nullptr},  // full-width digits are not dialled
    };
    for (const auto& [text, want] : table) {
        const auto got = dialableNumber(text);
        if (want) {
            EXPECT_EQ(got, std::optional<std::string>(want)) << text;
        } else {
            EXPECT_FALSE(got) << text << " gave " << got.value_or("");
        }
    }
}

TEST_F(Relay, TheEmergencyRequestDialsOnlyWithTheSwitchOnAndADialableNumber) {
    auto emergency = [&] {
        auto c = band->characteristic(kReportCharacteristicUuid);
        c->value = {0x0D, 0x0E};
        vc->didUpdateValueForCharacteristic(*band, c, std::nullopt);
    };
    settings.setString("imaphone", "112");
    emergency();  // switch off (the default)
    settings.setBool("imaswitch", false);
    emergency();
    EXPECT_TRUE(urls.opened.empty());
    EXPECT_TRUE(log.lines.empty());

    settings.setBool("imaswitch", true);
    emergency();
    settings.setString("imaphone", "+86 (10) 8888-0000");
    emergency();
    EXPECT_EQ(urls.opened, (std::vector<std::string>{"tel://112", "tel://+861088880000"}));

    settings.setString("imaphone", "call mum");
    emergency();
    EXPECT_EQ(urls.opened.size(), 2u);
    EXPECT_EQ(log.lines, std::vector<std::string>{"imaCalling: \"call mum\" is not a dialable number, no call placed"});
    EXPECT_EQ(settings.stringForKey("imaphone"), "call mum");  // the stored text stays as typed

    // 0D 0F and a lone 0D ask for nothing.
    for (const Bytes& v : {Bytes{0x0D, 0x0F}, Bytes{0x0D}}) {
        auto c = band->characteristic(kReportCharacteristicUuid);
        c->value = v;
        vc->didUpdateValueForCharacteristic(*band, c, std::nullopt);
    }
    settings.setString("imaphone", "999");
    urls.accept = false;
    emergency();
    EXPECT_EQ(urls.opened.back(), "tel://999");
    EXPECT_EQ(log.lines.back(), "imaCalling: could not open tel://999");
}
