// SPDX-License-Identifier: MIT
// Relays the handset's telephony events to the wristband, and checks the emergency number before dialling.
#include "link/phone_event_relay.h"

#include "app/vantro_app_delegate.h"
#include "link/notification_relay.h"
#include "protocol/codes.h"

#include <cstdio>

namespace vantro {
namespace {

void relay(VantroAppDelegate& app, std::uint8_t type) {
    app.SendData(phoneEventCommand(type));
}

}  // namespace

void telephonyNotificationCallback(VantroAppDelegate& app, const std::string& name, const TelephonyUserInfo& userInfo,
                                   MessageBuzzLimit* messages) {
    if (name == "kCTCallIdentificationChangeNotification") {
        relay(app, CMD_TYPE_TELIN);
    } else if (name == "kCTMessageReceivedNotification") {
        if (messagesHeldByDoNotDisturb(app)) {
            app.log().log("message not relayed: do not disturb");
            return;
        }
        if (messages && !messages->take(app.runLoop().now())) {
            app.log().log("message not relayed: the band buzzed for a message less than 10 s ago");
            return;
        }
        relay(app, CMD_TYPE_MSGIN);
    } else if (name == "kCTSMSMessageReceivedNotification") {
        if (userInfo.count("kCTSMSMessage")) std::fflush(stdout);
        app.log().log("Message");
    } else if (name == "kCTIndicatorsSignalStrengthNotification") {
        app.log().log("single");
    } else if (name == "kCTRegistrationStatusChangedNotification") {
        app.log().log("network");
    } else if (name == "kCTRegistrationCellChangedNotification") {
        app.log().log("Cell change Notification");
    } else if (name == "kCTIndicatorRadioTransmitNotification") {
        app.log().log("indication transmit notificaton");
    }
    // Call status and registration data changes, and every other name, need nothing.
}

TelephonyCallback telephonyRelay(VantroAppDelegate& app, MessageBuzzLimit* messages) {
    return [&app, messages](const std::string& name, const TelephonyUserInfo& info) {
        telephonyNotificationCallback(app, name, info, messages);
    };
}

std::optional<std::string> dialableNumber(std::string_view text) {
    std::string number;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '-' || c == '.' || c == '(' || c == ')') continue;
        const bool dialKey = (c >= '0' && c <= '9') || c == '*' || c == '#';
        const bool leadingPlus = c == '+' && number.empty();
        if (!dialKey && !leadingPlus) return std::nullopt;
        number += c;
    }
    if (number.empty() || number == "+") return std::nullopt;
    return number;
}

}  // namespace vantro
