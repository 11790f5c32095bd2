// SPDX-License-Identifier: MIT
#include "app/sync_progress.h"

#include "delegate_fixture.h"

#include <map>

using namespace vantro;

namespace {

struct Texts : Localizer {
    std::string localizedString(std::string_view key) const override {
        static const std::map<std::string_view, std::string> texts{
            {"SyncedMinutesAgo", "Synced %1 min ago"},
            {"SyncedHoursAgo", "Synced %1 h ago"},
            {"SyncedDaysAgo", "vor %1 Tagen"},
        };
        auto it = texts.find(key);
        return it == texts.end() ? std::string(key) : it->second;
    }
};

struct Progress : vantro::testing::DelegateFixture<Texts> {
    SyncProgress& progress = app.syncProgress();
};

}  // namespace

TEST_F(Progress, TheLastSyncIsToldInMinutesHoursOrDaysAndOutlivesTheProcess) {
    EXPECT_EQ(progress.lastSyncText(loop.wallNow()), "NeverSynced");
    progress.begin();
    progress.dayStored();
    loop.advance(1);
    progress.dayStored();  // the last day, stored at 15:04:06
    loop.advance(SyncProgress::kSettleSeconds);
    EXPECT_EQ(app.strTransmitStatus(), "SyncComplete 2014-07-15 15:04:06");

    const Instant done = loop.wallNow() - std::chrono::seconds(2);
    const std::pair<std::chrono::seconds, const char*> table[] = {
        {std::chrono::seconds(59), "SyncedJustNow"},     {std::chrono::minutes(10), "Synced 10 min ago"},
        {std::chrono::minutes(59), "Synced 59 min ago"}, {std::chrono::minutes(60), "Synced 1 h ago"},
        {std::chrono::hours(47), "Synced 47 h ago"},     {std::chrono::hours(48), "vor 2 Tagen"},
    };
    CompanionStateKeeper nextState;
    VantroAppDelegate nextRun{AppPorts{loop, log, localizer, settings}, nextState};
    nextRun.didFinishLaunchingWithOptions(nullptr, nullptr);
    for (const auto& [after, text] : table) {
        EXPECT_EQ(progress.lastSyncText(done + after), text);
        EXPECT_EQ(nextRun.syncProgress().lastSyncText(done + after), text);
    }
}

TEST_F(Progress, ABandThatSendsNoDayLeavesTheSyncUnfinishedAndAnEmptyBandFinishesItAtOnce) {
    progress.begin();
    loop.advance(SyncProgress::kNoAnswerSeconds - 1);
    EXPECT_TRUE(progress.running());
    loop.advance(1);
    EXPECT_FALSE(progress.running());
    EXPECT_EQ(app.strTransmitStatus(), "SyncInterrupted");
    EXPECT_FALSE(progress.lastComplete());

    // A drop or a report when nothing runs changes no status: no sync starts again by itself.
    progress.linkLost();
    progress.dayStored();
    EXPECT_FALSE(progress.running());
    EXPECT_EQ(app.strTransmitStatus(), "SyncInterrupted");

    progress.begin();
    progress.noMoreDays();
    EXPECT_FALSE(progress.running());
    EXPECT_EQ(app.strTransmitStatus(), "SyncComplete 2014-07-15 15:05:05");
    loop.advance(SyncProgress::kNoAnswerSeconds);
    EXPECT_EQ(app.strTransmitStatus(), "SyncComplete 2014-07-15 15:05:05");
}

TEST_F(Progress, ASyncWaitsForItsOwnRecordsToBeStoredAndCountsOnlyThose) {
    progress.begin();
    const int earlier = progress.dayCame();
    progress.linkLost();  // its record still waits for the database
    progress.begin();
    const int mine = progress.nightCame();
    const int day = progress.dayCame();
    progress.recordStored(mine, false, true);
    loop.advance(SyncProgress::kNoAnswerSeconds);
    EXPECT_TRUE(progress.running());  // the band is done, one record is not
    progress.linkLost();              // and the band is no longer needed for it
    EXPECT_TRUE(progress.running());
    progress.recordStored(earlier, true, false);  // given up, but not this sync's
    EXPECT_TRUE(progress.running());
    progress.recordStored(day, true, true);
    const CompanionState s = app.state();
    EXPECT_EQ(std::tie(s.sync, s.daysStored, s.nightsStored, s.failedWrites),
              std::make_tuple(SyncState::Complete, 1, 1, 0));
}
