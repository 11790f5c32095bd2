// SPDX-License-Identifier: MIT
// Relays the handset's telephony events to the wristband, and checks the emergency number before dialling.
#pragma once

#include "link/message_buzz_limit.h"
#include "platform/telephony.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantro {

class VantroAppDelegate;

/// Handles one telephony notification: an identified incoming call sends CMD_TYPE_TELIN, a received
/// message CMD_TYPE_MSGIN; a few other names only write a log line. Runs on the main loop.
/// With `messages`, a message within ten seconds of the last message buzz is not sent; calls always are.
void telephonyNotificationCallback(VantroAppDelegate& app, const std::string& name, const TelephonyUserInfo& userInfo,
                                   MessageBuzzLimit* messages = nullptr);

/// The callback to hand to didFinishLaunchingWithOptions; `app` (and `messages`) must outlive it.
TelephonyCallback telephonyRelay(VantroAppDelegate& app, MessageBuzzLimit* messages = nullptr);

/// The number to dial, or absent when `text` is not dialable. Blanks, hyphens, dots and parentheses are
/// dropped; what remains must be an optional leading '+' and then at least one of 0-9, '*', '#'.
/// "+49 (30) 123-45" gives "+493012345"; "112abc", "" and "+" give nothing.
std::optional<std::string> dialableNumber(std::string_view text);

}  // namespace vantro
