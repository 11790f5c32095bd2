// SPDX-License-Identifier: MIT
// The JSON settings file: typed round trips, atomic rewrites, damaged and unreadable files.
#include "settings/json_key_value_store.h"

#include "settings/settings_keys.h"

#include "temp_dir.h"
#include "unprivileged.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sys/stat.h>

using namespace vantro;
using namespace vantro::testing;
using Json = nlohmann::json;

namespace {

const Instant kMoment{std::chrono::seconds{1405413000}};  // 2014-07-15T08:30:00Z

struct JsonStore : ::testing::Test {
    TempDir dir;
    CapturingLog log;
    std::string file() const { return dir / "settings.json"; }
    Json onDisk() const { return Json::parse(readFile(file())); }
    std::vector<std::string> dirEntries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

}  // namespace

TEST_F(JsonStore, TypesSurviveARestart) {
    {
        JsonKeyValueStore store(dir / "conf", log);  // the directory is made on the first write
        EXPECT_EQ(store.integerForKey("bodyHeight"), 0);
        EXPECT_FALSE(store.boolForKey("alertswitch"));
        EXPECT_FALSE(store.stringForKey("imaphone"));
        EXPECT_FALSE(store.dateForKey("alerttime"));
        EXPECT_FALSE(std::filesystem::exists(dir / "conf"));

        store.setInteger("bodyHeight", 170);
        store.setInteger("big", std::int64_t{1} << 40);
        store.setBool("alertswitch", true);
        store.setString("imaphone", "+86 (10) 1234-5678");
        store.setString("empty", "");
        store.setDate("alerttime", kMoment);
        EXPECT_TRUE(store.lastSaveSucceeded());
    }
    JsonKeyValueStore store(dir / "conf", log);
    EXPECT_EQ(store.integerForKey("bodyHeight"), 170);
    EXPECT_EQ(store.integerForKey("big"), std::int64_t{1} << 40);
    EXPECT_TRUE(store.boolForKey("alertswitch"));
    EXPECT_EQ(store.integerForKey("alertswitch"), 1);
    EXPECT_EQ(store.stringForKey("imaphone"), "+86 (10) 1234-5678");
    EXPECT_EQ(store.stringForKey("empty"), "");
    EXPECT_EQ(store.dateForKey("alerttime"), kMoment);
    EXPECT_FALSE(store.dateForKey("imaphone"));  // a string is not a time stamp
    EXPECT_TRUE(log.lines.empty());

    const Json doc = Json::parse(readFile(dir / "conf/settings.json"));
    EXPECT_EQ(doc["alerttime"], (Json{{"type", "date"}, {"value", "2014-07-15T08:30:00Z"}}));
    EXPECT_EQ(doc["bodyHeight"], (Json{{"type", "integer"}, {"value", 170}}));
    EXPECT_EQ(doc["alertswitch"], (Json{{"type", "boolean"}, {"value", true}}));
}

TEST_F(JsonStore, DefaultsReachTheDiskAndAreNotWrittenTwice) {
    {
        JsonKeyValueStore store(dir.path(), log);
        EXPECT_TRUE(initializeDefaults(store, kMoment));
    }
    JsonKeyValueStore store(dir.path(), log);
    EXPECT_FALSE(initializeDefaults(store, kMoment + std::chrono::hours(2)));
    EXPECT_EQ(store.values().size(), 19u);
    EXPECT_EQ(store.integerForKey(kFindMe), 2);
    EXPECT_EQ(store.dateForKey(kMedicineETime), kMoment);
}

TEST_F(JsonStore, EveryWriteReplacesTheFileWhole) {
    JsonKeyValueStore store(dir.path(), log);
    store.setInteger("bodyHeight", 170);
    const ino_t first = inodeOf(file());
    store.setInteger("bodyWeight", 70);
    // A new file renamed over the old one, never the old one rewritten in place.
    EXPECT_NE(inodeOf(file()), first);
    EXPECT_EQ(dirEntries(), std::vector<std::string>{"settings.json"});  // no temporary left behind
    EXPECT_EQ(onDisk()["bodyWeight"]["value"], 70);
    EXPECT_EQ((std::filesystem::status(file()).permissions() & std::filesystem::perms::others_read),
              std::filesystem::perms::none);  // the phone number is nobody else's business
}

TEST_F(JsonStore, AFailedWriteLeavesTheOldFile) {
    {
        JsonKeyValueStore store(dir.path(), log);
        store.setInteger("bodyHeight", 170);
    }
    const std::string before = readFile(file());
    ASSERT_EQ(chmod(file().c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    const std::string path = dir.path();
    const std::string failure = runUnprivileged([path, before] {
        CapturingLog childLog;
        JsonKeyValueStore store(path, childLog);
        if (store.integerForKey("bodyHeight") != 170) return std::string("not loaded");
        store.setInteger("bodyHeight", 180);
        if (store.lastSaveSucceeded()) return std::string("save reported success");
        if (store.integerForKey("bodyHeight") != 180) return std::string("value lost in memory");
        if (childLog.lines.empty()) return std::string("no log line");
        if (readFile(path + "/settings.json") != before) return std::string("file changed");
        return std::string();
    });
    EXPECT_EQ(failure, "");
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(dirEntries(), std::vector<std::string>{"settings.json"});
}

TEST_F(JsonStore, UnparsableFileIsKeptAsideAndTheStoreStartsEmpty) {
    const std::string garbage = "{\"bodyHeight\": {\"type\": \"integer\", \"value\": 17";
    writeFile(file(), garbage);
    JsonKeyValueStore store(dir.path(), log);
    EXPECT_TRUE(store.values().empty());
    EXPECT_EQ(store.damagedCopy(), dir / "settings.json.damaged");
    EXPECT_EQ(readFile(dir / "settings.json.damaged"), garbage);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("settings.json.damaged"), std::string::npos);
    // Not initialised any more, so the settings screen writes the defaults again.
    EXPECT_TRUE(initializeDefaults(store, kMoment));
    EXPECT_EQ(onDisk()["flags"]["value"], 12345);

    // A second damaged file does not replace the first one kept.
    writeFile(file(), "[1, 2, 3]");
    JsonKeyValueStore again(dir.path(), log);
    EXPECT_EQ(again.damagedCopy(), dir / "settings.json.damaged.1");
    EXPECT_EQ(readFile(dir / "settings.json.damaged"), garbage);
    EXPECT_EQ(readFile(dir / "settings.json.damaged.1"), "[1, 2, 3]");
}

TEST_F(JsonStore, WrongTypesAreDroppedTheRestKept) {
    const Json doc = {
        {"flags", {{"type", "integer"}, {"value", 12345}}},
        {"bodyHeight", {{"type", "string"}, {"value", "tall"}}},    // wrong type for the key
        {"bodyWeight", {{"type", "integer"}, {"value", "70"}}},     // value does not match its type
        {"alerttime", {{"type", "date"}, {"value", "yesterday"}}},  // not a time stamp
        {"imaphone", {{"type", "string"}, {"value", "112"}}},
        {"alertswitch", {{"type", "integer"}, {"value", 1}}},  // integers and booleans mix
        {"findme", 1},                                         // plain values, as typed by hand
        {"MedicineSTime", "2014-07-15T08:30:00Z"},
        {"newerKey", {{"type", "colour"}, {"value", "#ff0000"}}},  // a later version's type
        {"otherTool", {1, 2, 3}},
    };
    writeFile(file(), doc.dump(1));
    JsonKeyValueStore store(dir.path(), log);
    EXPECT_EQ(store.integerForKey("flags"), 12345);
    EXPECT_EQ(store.stringForKey("imaphone"), "112");
    EXPECT_TRUE(store.boolForKey("alertswitch"));
    EXPECT_EQ(store.integerForKey("findme"), 1);
    EXPECT_EQ(store.dateForKey("MedicineSTime"), kMoment);
    EXPECT_EQ(store.integerForKey("bodyHeight"), 0);
    EXPECT_EQ(store.integerForKey("bodyWeight"), 0);
    EXPECT_FALSE(store.dateForKey("alerttime"));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("alerttime, bodyHeight, bodyWeight"), std::string::npos) << log.lines[0];
    EXPECT_EQ(Json::parse(readFile(dir / "settings.json.damaged")), doc);

    // The rewritten file holds what was read, and the entries it does not understand, unchanged.
    store.setInteger("bodyHeight", 170);
    const Json now = onDisk();
    EXPECT_EQ(now["newerKey"], doc["newerKey"]);
    EXPECT_EQ(now["otherTool"], doc["otherTool"]);
    EXPECT_EQ(now["imaphone"]["value"], "112");
    EXPECT_EQ(now["bodyHeight"]["value"], 170);
    EXPECT_FALSE(now.contains("bodyWeight"));

    JsonKeyValueStore reread(dir.path(), log);
    EXPECT_EQ(log.lines.size(), 1u);  // the rewritten file is sound
    EXPECT_EQ(reread.integerForKey("bodyHeight"), 170);
}

TEST_F(JsonStore, AFileThatCannotBeReadIsNeverOverwritten) {
    std::filesystem::create_directory(file());  // settings.json is a directory
    JsonKeyValueStore store(dir.path(), log);
    EXPECT_FALSE(log.lines.empty());
    store.setInteger("bodyHeight", 170);
    EXPECT_FALSE(store.lastSaveSucceeded());
    EXPECT_EQ(store.integerForKey("bodyHeight"), 170);  // still usable for this run
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

TEST_F(JsonStore, TextThatIsNotUtf8IsSavedWithoutFailing) {
    JsonKeyValueStore store(dir.path(), log);
    store.setString("imaphone", std::string("12\xff") + "3");
    EXPECT_TRUE(store.lastSaveSucceeded());
    JsonKeyValueStore reread(dir.path(), log);
    EXPECT_TRUE(reread.stringForKey("imaphone"));
}
