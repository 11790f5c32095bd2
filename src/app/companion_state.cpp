// SPDX-License-Identifier: MIT
// What the companion knows, as typed values: the link, the band's totals, its signal and version, the sync.
#include "app/companion_state.h"

namespace vantro {

std::string_view linkStateName(LinkState state) {
    switch (state) {
        case LinkState::Connected:
            return "Connected";
        case LinkState::ReConnecting:
            return "ReConnecting";
        case LinkState::Connecting:
            return "Connecting";
        case LinkState::Disconnecting:
            return "Disconnecting";
        case LinkState::Researching:
            return "Researching";
        case LinkState::Disconnected:
            break;
    }
    return "Disconnected";
}

std::string_view syncStateName(SyncState state) {
    switch (state) {
        case SyncState::Running:
            return "running";
        case SyncState::Complete:
            return "complete";
        case SyncState::Interrupted:
            return "interrupted";
        case SyncState::Failed:
            return "failed";
        case SyncState::Idle:
            break;
    }
    return "idle";
}

}  // namespace vantro
