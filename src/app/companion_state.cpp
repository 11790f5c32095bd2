// SPDX-License-Identifier: MIT
// What the companion knows, as typed values: the link, the band's totals, its signal and version, the sync.
#include "app/companion_state.h"

#include <array>

namespace vantro {
namespace {

// In the order of the enums.
constexpr std::array<std::string_view, 7> kLinkNames{"Disconnected",  "Connected",   "ReConnecting", "Connecting",
                                                     "Disconnecting", "Researching", "Refused"};
constexpr std::array<std::string_view, 6> kSyncNames{"idle", "running", "complete", "interrupted", "failed", "running"};

}  // namespace

std::string_view linkStateName(LinkState state) {
    const auto i = static_cast<std::size_t>(state);
    return i < kLinkNames.size() ? kLinkNames[i] : kLinkNames[0];
}

std::string_view syncStateName(SyncState state) {
    const auto i = static_cast<std::size_t>(state);
    return i < kSyncNames.size() ? kSyncNames[i] : kSyncNames[0];
}

}  // namespace vantro
