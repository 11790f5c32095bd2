// SPDX-License-Identifier: MIT
// What happens to the companion, as the link, the report handling and the sync tell it, and its one keeper.
#pragma once

#include "app/companion_state.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace vantro {

/// The link changed; `bandId`/`bandName` name the band it is about (empty: none is chosen in this run).
struct LinkChanged {
    LinkState link;
    std::string bandId;
    std::string bandName;
};
/// The band's today totals and battery.
struct TotalsReported {
    std::int64_t steps = 0;
    std::int64_t distanceMetres = 0;
    std::int64_t calories = 0;
    std::int64_t activeMinutes = 0;
    int batteryPercent = 0;
};
struct VersionReported {
    std::string version;
};
/// A signal reading of the link; none when there is no current one or no link.
struct SignalRead {
    std::optional<int> dbm;
};
/// A sync was asked for (`starting`: its batch is about to go out) or its batch went out.
struct SyncBegan {
    bool starting = false;
};
/// A day or night report of the sync was handled; `stored` is false when the database refused it.
struct RecordHandled {
    bool day = true;
    bool stored = true;
};
/// The sync ended; `lastSync` is set when it completed, `problem` is the localisation key of why it
/// failed without storing anything.
struct SyncEnded {
    SyncState outcome;
    std::optional<Instant> lastSync;
    std::string problem;
};
/// Which band the companion uses: the simulated one (and why) or a real one.
struct BackendChanged {
    bool simulated = false;
    std::string whySimulated;
};
struct FindMeChanged {
    bool on = false;
};
/// What an earlier run left: when its last sync completed and the version the band reported.
struct Restored {
    std::optional<Instant> lastSync;
    std::optional<std::string> version;
};

using CompanionEvent = std::variant<LinkChanged, TotalsReported, VersionReported, SignalRead, SyncBegan, RecordHandled,
                                    SyncEnded, BackendChanged, FindMeChanged, Restored>;

/// Keeps what the companion knows. `apply` is the one way it changes: it works out the new state from the
/// event, and tells `onChanged` once when the state differs from before (never for an event that changes
/// nothing). Owned by the running companion (the session); everything else reads it.
class CompanionStateKeeper {
public:
    const CompanionState& state() const { return m_state; }
    /// Returns whether the state changed.
    bool apply(const CompanionEvent& event);
    /// Told after each change, with the state as it was before.
    std::function<void(const CompanionState& before)> onChanged;

private:
    CompanionState m_state;
};

}  // namespace vantro
