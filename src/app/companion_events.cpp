// SPDX-License-Identifier: MIT
// What happens to the companion, as the link, the report handling and the sync tell it, and its one keeper.
#include "app/companion_events.h"

#include "platform/overloaded.h"

#include <utility>

namespace vantro {

bool CompanionStateKeeper::apply(const CompanionEvent& event) {
    CompanionState s = m_state;
    std::visit(Overloaded{
                   [&](const LinkChanged& e) {
                       s.link = e.link;
                       s.bandId = e.bandId;
                       s.bandName = e.bandName;
                       // A signal reading belongs to a link that is up.
                       if (e.link != LinkState::Connected) s.signalDbm.reset();
                   },
                   [&](const TotalsReported& e) {
                       s.steps = e.steps;
                       s.distanceMetres = e.distanceMetres;
                       s.calories = e.calories;
                       s.activeMinutes = e.activeMinutes;
                       s.batteryPercent = e.batteryPercent;
                   },
                   [&](const VersionReported& e) { s.version = e.version; },
                   [&](const SignalRead& e) { s.signalDbm = e.dbm; },
                   [&](const SyncBegan& e) {
                       s.sync = e.starting ? SyncState::Starting : SyncState::Running;
                       if (e.starting || m_state.sync != SyncState::Starting) {
                           s.daysStored = s.nightsStored = s.failedWrites = 0;
                           s.syncProblem.clear();
                       }
                   },
                   [&](const RecordHandled& e) {
                       if (!e.stored) {
                           ++s.failedWrites;
                       } else if (e.day) {
                           ++s.daysStored;
                       } else {
                           ++s.nightsStored;
                       }
                   },
                   [&](const SyncEnded& e) {
                       s.sync = e.outcome;
                       s.syncProblem = e.problem;
                       if (e.lastSync) s.lastSync = e.lastSync;
                   },
                   [&](const BackendChanged& e) {
                       s.simulated = e.simulated;
                       s.whySimulated = e.whySimulated;
                   },
                   [&](const FindMeChanged& e) { s.findMe = e.on; },
                   [&](const Restored& e) {
                       s.lastSync = e.lastSync;
                       s.version = e.version;
                   },
               },
               event);
    if (s == m_state) return false;
    const CompanionState before = std::exchange(m_state, std::move(s));
    if (onChanged) onChanged(before);
    return true;
}

}  // namespace vantro
