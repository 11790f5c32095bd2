// SPDX-License-Identifier: MIT
#include "platform/inotify_file_watch.h"
#include "platform/manual_run_loop.h"
#include "platform/real_time_run_loop.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace vantro;

TEST(ManualRunLoop, PostRunsOnLaterTurnInOrder) {
    ManualRunLoop loop;
    std::vector<int> seen;
    loop.post([&] {
        seen.push_back(1);
        loop.post([&] { seen.push_back(3); });
    });
    loop.post([&] { seen.push_back(2); });
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(loop.runPending(), 3);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST(RealTimeRunLoop, RunsPostsFromOtherThreadsOnItsOwnThread) {
    RealTimeRunLoop loop;
    std::thread::id ranOn;
    bool done = false;
    std::thread other([&] {
        loop.post([&] {
            ranOn = std::this_thread::get_id();
            done = true;
        });
    });
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 5.0));
    other.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(RealTimeRunLoop, TimesOutAndStops) {
    RealTimeRunLoop loop;
    EXPECT_FALSE(loop.run(0.05));
    loop.after(0.01, [&] { loop.stop(); });
    EXPECT_TRUE(loop.run(5.0));
}

// The settings watch: a file renamed into place or written in place is told on the run loop, once per
// burst; other files of its folder are not, and nothing comes after stop().
TEST(InotifyFileWatch, TellsOfItsFileOnlyOnTheRunLoop) {
    vantro::testing::TempDir dir;
    RealTimeRunLoop loop;
    CapturingLog log;
    InotifyFileWatch watch(loop, log);
    int told = 0;
    std::thread::id toldOn;
    ASSERT_TRUE(watch.watch(dir / "settings.json", [&] {
        ++told;
        toldOn = std::this_thread::get_id();
    }));
    vantro::testing::writeFile(dir / "other.json", "{}");
    loop.run(0.2);
    EXPECT_EQ(told, 0);
    vantro::testing::writeFile(dir / "settings.json.tmp", "{}");
    std::filesystem::rename(dir / "settings.json.tmp", dir / "settings.json");
    EXPECT_TRUE(loop.runUntil([&] { return told > 0; }, 5.0));
    EXPECT_EQ(toldOn, std::this_thread::get_id());
    const int afterRename = told;
    vantro::testing::writeFile(dir / "settings.json", "{\"findme\": 1}");
    EXPECT_TRUE(loop.runUntil([&] { return told > afterRename; }, 5.0));
    watch.stop();
    vantro::testing::writeFile(dir / "settings.json", "{}");
    const int stopped = told;
    loop.run(0.2);
    EXPECT_EQ(told, stopped);
    EXPECT_FALSE(InotifyFileWatch(loop, log).watch(dir / "missing/settings.json", [] {}));
    EXPECT_NE(log.lines.back().find("missing"), std::string::npos);
}
