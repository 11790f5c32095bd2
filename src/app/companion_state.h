// SPDX-License-Identifier: MIT
// What the companion knows, as typed values: the link, the band's totals, its signal and version, the sync.
#pragma once

#include "platform/local_time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantro {

/// The link to the band; each state has the status key the screens show ("Connecting"...).
/// Refused: the band was heard but would not take the link or serve it; it is tried again after a pause.
enum class LinkState { Disconnected, Connected, ReConnecting, Connecting, Disconnecting, Researching, Refused };
/// The sync now running or last run.
/// Starting: asked for, its batch about to go out ("SyncStarting"); Running: the batch went out ("Syncing").
enum class SyncState { Idle, Running, Complete, Interrupted, Failed, Starting };
/// A sync is under way (starting or running).
inline bool syncUnderWay(SyncState s) {
    return s == SyncState::Running || s == SyncState::Starting;
}

/// "Disconnected", "Connected", ... (also the localisation key of the state's text).
std::string_view linkStateName(LinkState state);
/// "idle", "running", "complete", "interrupted", "failed" (a starting sync is "running").
std::string_view syncStateName(SyncState state);

/// One value for everything the companion knows; screens, the status icon, the bus and the command line
/// read it and make their own texts. Values the band has not sent yet are absent.
struct CompanionState {
    LinkState link = LinkState::Disconnected;
    std::string bandId;
    std::string bandName;
    bool simulated = false;
    /// Localisation key of why the simulated band stands in; empty when asked for or real.
    std::string whySimulated;

    std::optional<int> batteryPercent;
    std::optional<std::int64_t> steps;
    std::optional<std::int64_t> distanceMetres;
    /// Burnt today, active and resting together (as the today row shows them).
    std::optional<std::int64_t> calories;
    std::optional<std::int64_t> activeMinutes;
    /// Signal strength of the link in dBm, absent while not connected or not read yet.
    std::optional<int> signalDbm;
    /// The firmware version the band last reported, also in an earlier run.
    std::optional<std::string> version;
    bool findMe = false;

    SyncState sync = SyncState::Idle;
    /// When the last completed sync's last day was stored (this run's or an earlier run's).
    std::optional<Instant> lastSync;
    /// Days and nights stored by the sync now running or last run.
    int daysStored = 0;
    int nightsStored = 0;
    /// Records the last sync could not store; more than zero means it failed.
    int failedWrites = 0;
    /// Localisation key of why the last sync failed without storing ("SyncNoCommands"), else empty.
    std::string syncProblem;

    bool operator==(const CompanionState&) const = default;
};

}  // namespace vantro
