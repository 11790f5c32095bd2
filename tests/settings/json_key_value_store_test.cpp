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
#include <unistd.h>

using namespace vantro;
using namespace vantro::testing;
using Json = nlohmann::json;
using namespace std::string_literals;

namespace {

const Instant kMoment{std::chrono::seconds{1405413000}};  // 2014-07-15T08:30:00Z

struct JsonStore : ::testing::Test {
    TempDir dir;
    CapturingLog log;
    std::string file() const { return dir / "settings.json"; }
    Json onDisk() const { return Json::parse(readFile(file())); }
    /// The store as it reads `text` in settings.json.
    JsonKeyValueStore load(const std::string& text) {
        writeFile(file(), text);
        return JsonKeyValueStore(dir.path(), log);
    }
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
    JsonKeyValueStore store = load(garbage);
    EXPECT_TRUE(store.values().empty());
    EXPECT_EQ(store.damagedCopy(), dir / "settings.json.damaged");
    EXPECT_EQ(readFile(dir / "settings.json.damaged"), garbage);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("settings.json.damaged"), std::string::npos);
    // Not initialised any more, so the settings screen writes the defaults again.
    EXPECT_TRUE(initializeDefaults(store, kMoment));
    EXPECT_EQ(onDisk()["flags"]["value"], 12345);

    // A second damaged file does not replace the first one kept.
    JsonKeyValueStore again = load("[1, 2, 3]");
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
    JsonKeyValueStore store = load(doc.dump(1));
    EXPECT_EQ(store.integerForKey("flags"), 12345);
    EXPECT_EQ(store.stringForKey("imaphone"), "112");
    EXPECT_TRUE(store.boolForKey("alertswitch"));
    EXPECT_EQ(store.integerForKey("findme"), 1);
    EXPECT_EQ(store.dateForKey("MedicineSTime"), kMoment);
    EXPECT_EQ(std::make_tuple(store.integerForKey("bodyHeight"), store.integerForKey("bodyWeight")),
              std::make_tuple(0, 0));
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

TEST_F(JsonStore, AFileThatCannotBeReadIsReportedAndNeverOverwritten) {
    std::filesystem::create_directory(file());  // settings.json is a directory
    JsonKeyValueStore store(dir.path(), log);
    EXPECT_NE(store.unavailableReason().find(file()), std::string::npos) << store.unavailableReason();
    EXPECT_TRUE(initializeDefaults(store, kMoment));  // the screen's defaults reach memory only
    EXPECT_FALSE(store.lastSaveSucceeded());
    EXPECT_TRUE(std::filesystem::is_directory(file()));

    // A file of root's that nobody else may read: the same, and the same bytes afterwards.
    std::filesystem::remove_all(file());
    writeFile(file(), "{\"bodyHeight\": 170}");
    ASSERT_EQ(chmod(file().c_str(), 0600), 0);
    const std::string path = dir.path();
    EXPECT_EQ(runUnprivileged([path] {
                  CapturingLog childLog;
                  JsonKeyValueStore child(path, childLog);
                  if (child.unavailableReason().find("settings.json") == std::string::npos) return "not reported";
                  child.setInteger("bodyHeight", 180);
                  return child.lastSaveSucceeded() ? "saved" : "";
              }),
              "");
    EXPECT_EQ(readFile(file()), "{\"bodyHeight\": 170}");
}

TEST_F(JsonStore, WritersKeepEachOthersChanges) {
    JsonKeyValueStore app(dir.path(), log);
    app.setInteger("bodyHeight", 170);
    JsonKeyValueStore cli(dir.path(), log);
    cli.setInteger("bodyWeight", 70);
    app.setInteger("findme", 1);  // the app's whole memory must not undo the other writer's change
    EXPECT_EQ(app.integerForKey("bodyWeight"), 70);
    cli.setInteger("bodyWeight", 71);
    app.refresh();  // as before a sync
    EXPECT_EQ(app.integerForKey("bodyWeight"), 71);

    // Two processes writing at once, each its own keys: every change arrives.
    const int kWrites = 25;
    std::vector<pid_t> children;
    for (const char* prefix : {"a", "b"}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CapturingLog childLog;
            JsonKeyValueStore child(dir.path(), childLog);
            for (int i = 0; i < kWrites; ++i) child.setInteger(prefix + std::to_string(i), i);
            _exit(child.lastSaveSucceeded() ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) EXPECT_TRUE(waitForExit(pid));
    JsonKeyValueStore after(dir.path(), log);
    EXPECT_EQ(after.values().size(), 3u + 2 * kWrites);
    EXPECT_EQ(after.integerForKey("bodyHeight"), 170);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

TEST_F(JsonStore, ALinkIsWrittenThroughToItsTarget) {
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_symlink("real/mine.json", file());  // relative, dangling until the first write
    {
        JsonKeyValueStore store(dir.path(), log);
        store.setInteger("bodyHeight", 170);
        store.setInteger("bodyWeight", 70);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(Json::parse(readFile(dir / "real/mine.json"))["bodyWeight"]["value"], 70);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "real"), {}), 1);  // no temporary left
    EXPECT_EQ(JsonKeyValueStore(dir.path(), log).integerForKey("bodyHeight"), 170);
}

TEST_F(JsonStore, TextThatIsNotUtf8IsRefusedNotAltered) {
    JsonKeyValueStore store(dir.path(), log);
    store.setString("imaphone", "112");
    store.setString("imaphone", std::string("12\xff") + "3");
    EXPECT_FALSE(store.lastSaveSucceeded());
    EXPECT_EQ(store.stringForKey("imaphone"), "112");
    EXPECT_EQ(onDisk()["imaphone"]["value"], "112");
    EXPECT_FALSE(log.lines.empty());

    const std::pair<std::string, bool> cases[] = {
        {"+86 10 1234", true},   {"\xe4\xb8\xad\xe6\x96\x87", true}, {"\xf0\x9f\x93\x9e", true}, {"\xc0\x80", false},
        {"\xed\xa0\x80", false}, {"\xf4\x90\x80\x80", false},        {"\xe4\xb8", false},        {"\x80", false},
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(isValidUtf8(text), valid) << ::testing::PrintToString(text);
}

TEST_F(JsonStore, DeepLargeOutOfRangeAndTrailedFilesAreKeptAside) {
    auto nested = [](int levels) { return std::string(levels, '[') + std::string(levels, ']'); };
    const std::string shallow = "{\"other\": " + nested(60) + "}";
    const std::string bad[] = {
        "{\"other\": " + nested(100000) + "}",                                          // crashed the rewrite
        "{\"other\": " + nested(70) + "}",                                              // past the limit
        "{\"other\": \"" + std::string(JsonKeyValueStore::kMaxFileBytes, 'x') + "\"}",  // too large
        R"({"alerttime": {"type": "date", "value": "9999-12-31T23:59:59Z"}})",          // past what the clock holds
        "{\"bodyHeight\": 170}\0{\"bodyWeight\": 99}"s,                                 // bytes after the document
        "{\"bodyHeight\": 170}\0"s,
        "{\"bodyHeight\": 170} {\"bodyWeight\": 99}"s,
    };
    for (const auto& text : bad) {
        JsonKeyValueStore store = load(text);
        EXPECT_TRUE(store.values().empty());
        ASSERT_FALSE(store.damagedCopy().empty()) << text.substr(0, 40);
        EXPECT_EQ(readFile(store.damagedCopy()), text);
        std::filesystem::remove(store.damagedCopy());
    }
    // Within the limits an unknown entry is kept, and a save does not inflate it.
    JsonKeyValueStore store = load(shallow);
    store.setInteger("bodyHeight", 170);
    const std::string saved = readFile(file());
    EXPECT_LE(saved.size(), shallow.size() + 60) << saved;
    EXPECT_EQ(onDisk()["other"], Json::parse(shallow)["other"]);
}

TEST_F(JsonStore, ValuesTheirCommandWouldNotTakeAreDamaged) {
    const Json doc = {
        {"bodyHeight", 421},  // would reach the band as 165
        {"bodyWeight", {{"type", "integer"}, {"value", -170}}},
        {"findme", 99},
        {"Present", 17},
        {"Wish", -1},
        {"displaytime", true},  // reads as 1, below 3
        {"LongTimeSitInteval", 5},
        {"MedicineInteval", 12},
        {"telephonealert", 1},
        {"flags", -7},  // no range of its own: anything but the marker means "not initialised"
    };
    JsonKeyValueStore store = load(doc.dump());
    EXPECT_EQ(store.damagedCopy(), dir / "settings.json.damaged");
    for (const char* key : {"bodyHeight", "bodyWeight", "findme", "Present", "Wish", "displaytime"}) {
        EXPECT_FALSE(store.values().count(key)) << key;
    }
    EXPECT_EQ(std::make_tuple(store.integerForKey("LongTimeSitInteval"), store.integerForKey("MedicineInteval"),
                              store.integerForKey("telephonealert"), store.integerForKey("flags")),
              std::make_tuple(5, 12, 1, -7));

    // Both ends of each range are fine.
    JsonKeyValueStore edges = load(R"({"bodyHeight": 80, "bodyWeight": 255, "findme": 2, "Present": 16, "Wish": 0})");
    EXPECT_TRUE(edges.damagedCopy().empty());
    EXPECT_EQ(edges.integerForKey("bodyHeight"), 80);
    EXPECT_EQ(edges.integerForKey("Present"), 16);
}

TEST_F(JsonStore, TheCompanionsOwnKeysTakeOnlyTheirChoices) {
    JsonKeyValueStore store = load(R"({"autoSyncHours": 7, "relayNotifications": "bogus", "relayAppsChosen": "a;b"})");
    EXPECT_EQ(store.damagedCopy(), dir / "settings.json.damaged");
    EXPECT_FALSE(store.values().count("autoSyncHours"));
    EXPECT_FALSE(store.values().count("relayNotifications"));
    EXPECT_EQ(store.stringForKey("relayAppsChosen"), "a;b");
    // Said once, naming both.
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("autoSyncHours, relayNotifications"), std::string::npos) << log.lines[0];

    // Every choice is fine, as an integer, a typed entry or a boolean that reads as one.
    for (const char* text : {R"({"autoSyncHours": 0, "relayNotifications": "off"})",
                             R"({"autoSyncHours": {"type": "integer", "value": 12}, "relayNotifications": "all"})",
                             R"({"autoSyncHours": true, "relayNotifications": "chosen"})"}) {
        JsonKeyValueStore fine = load(text);
        EXPECT_TRUE(fine.damagedCopy().empty()) << text;
        EXPECT_TRUE(fine.values().count("autoSyncHours")) << text;
        EXPECT_TRUE(fine.values().count("relayNotifications")) << text;
    }
}

TEST_F(JsonStore, AWriteThatWouldPassTheSizeLimitIsRefused) {
    // Just under the limit on disk; one more long entry would pass it.
    const std::string filler(JsonKeyValueStore::kMaxFileBytes - 200, 'x');
    {
        JsonKeyValueStore store(dir.path(), log);
        store.setString("notes", filler);
        store.setInteger("bodyHeight", 170);
        ASSERT_TRUE(store.lastSaveSucceeded());
    }
    const std::string before = readFile(file());
    JsonKeyValueStore store(dir.path(), log);
    store.setString("imaphone", std::string(300, '1'));
    EXPECT_FALSE(store.lastSaveSucceeded());
    EXPECT_EQ(readFile(file()), before);
    EXPECT_FALSE(store.stringForKey("imaphone"));  // the store shows what the file holds
    EXPECT_NE(log.lines.back().find("larger than 1024 KiB"), std::string::npos) << log.lines.back();

    // The file is still read as it was, and a small change is still saved.
    JsonKeyValueStore again(dir.path(), log);
    EXPECT_TRUE(again.damagedCopy().empty());
    again.setInteger("bodyHeight", 171);
    EXPECT_TRUE(again.lastSaveSucceeded());
    EXPECT_EQ(onDisk()["bodyHeight"]["value"], 171);
}
