// SPDX-License-Identifier: MIT
// vantro-cli settings: list, read and change the phone's settings file.
#include "cli/cli.h"

#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/strprintf.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"
#include "settings/settings_sync.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <functional>
#include <ostream>

namespace vantro::cli {
namespace {

// A stored text is shown whole up to this length; what the file holds beyond it is counted, not printed.
constexpr std::size_t kShownChars = 4096;

std::string typeOf(const StoredValue& v) {
    if (std::holds_alternative<std::int64_t>(v)) return "integer";
    if (std::holds_alternative<bool>(v)) return "boolean";
    if (std::holds_alternative<std::string>(v)) return "string";
    return "date";
}

std::string textOf(const StoredValue& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    if (auto s = std::get_if<std::string>(&v)) return *s;
    return formatIsoUtc(std::get<Instant>(v));
}

std::string acceptedText(const SettingKey& key) {
    if (!key.choices.empty()) return "one of " + std::string(key.choices);
    switch (key.type) {
        case SettingType::Integer:
            if (key.editorMax == key.editorMin + 1) {
                return key.name == kFindMe ? "1 (on) or 2 (off)" : "0 (off) or 1 (on)";
            }
            return "a whole number from " + std::to_string(key.editorMin) + " to " + std::to_string(key.editorMax);
        case SettingType::Boolean:
            return "true or false";
        case SettingType::String:
            return "any text";
        case SettingType::TimeStamp:
            return "a local time YYYY-MM-DDTHH:MM:SS, or HH:MM for today";
    }
    return {};
}

std::optional<bool> parseBool(std::string_view text) {
    for (auto t : {"true", "1", "on", "yes"}) {
        if (text == t) return true;
    }
    for (auto f : {"false", "0", "off", "no"}) {
        if (text == f) return false;
    }
    return std::nullopt;
}

// The store's clock counts nanoseconds in 64 bits, from late 1677 to early 2262; whole years inside that fit.
bool yearFits(int year) {
    return year >= 1678 && year <= 2261;
}

// A time stamp, or absent; `outOfRange` tells a real date the store cannot hold from text that is no date.
std::optional<Instant> parseStamp(std::string_view text, Instant now, bool& outOfRange) {
    if (auto utc = parseIsoUtc(text)) return utc;
    if (text.size() == 20 && text.back() == 'Z') {
        auto local = parseIsoLocal(text.substr(0, 19));
        outOfRange = local.has_value();
        return std::nullopt;
    }
    if (auto local = parseIsoLocal(text)) {
        outOfRange = !yearFits(local->year);
        return outOfRange ? std::nullopt : fromLocal(*local);
    }
    if (auto time = parseTime(text)) {
        // On a day whose clock skips this time, the nearest day that shows it, so the hour and minute stay.
        const LocalDateTime today = toLocal(now);
        return exactInstant(dayShowingAll({today.year, today.month, today.day}, {*time}), *time);
    }
    return std::nullopt;
}

std::string keyList() {
    std::string list;
    for (auto keys : {settingKeys(), localSettingKeys()}) {
        for (const auto& k : keys) {
            if (k.name == kFlags) continue;
            list += (list.empty() ? "" : ", ") + std::string(k.name);
        }
    }
    return list;
}

int settingsSaveFailure(Context& ctx, const JsonKeyValueStore& store, const QuietLog& log) {
    ctx.err << "vantro-cli settings: " << store.path() << " could not be saved:\n";
    log.dumpTo(ctx.err);
    return 1;
}

int settingsList(Context& ctx, JsonKeyValueStore& store) {
    const auto& values = store.values();
    auto print = [&](const std::string& key, const StoredValue& v) {
        ctx.out << escapeText(key) << ' ' << typeOf(v) << ' ' << escapeText(textOf(v), kShownChars) << "\n";
    };
    for (auto keys : {settingKeys(), localSettingKeys()}) {
        for (const auto& k : keys) {
            if (auto it = values.find(k.name); it != values.end()) print(it->first, it->second);
        }
    }
    for (const auto& [key, v] : values) {
        if (!findSettingKey(key)) print(key, v);
    }
    return 0;
}

int settingsGet(Context& ctx, JsonKeyValueStore& store, const std::string& key) {
    const auto& values = store.values();
    if (auto it = values.find(key); it != values.end()) {
        ctx.out << escapeText(textOf(it->second), kShownChars) << "\n";
        return 0;
    }
    const SettingKey* known = findSettingKey(key);
    if (!known) {
        ctx.err << "vantro-cli settings get: no setting " << quoteText(key) << "\n";
        return 1;
    }
    if (!known->absentValue.empty()) {
        ctx.out << known->absentValue << "\n";
        return 0;
    }
    // Never written: integers read as 0 and booleans as false; texts and time stamps are absent.
    if (known->type == SettingType::Integer) {
        ctx.out << "0\n";
        return 0;
    }
    if (known->type == SettingType::Boolean) {
        ctx.out << "false\n";
        return 0;
    }
    ctx.err << "vantro-cli settings get: " << key << " is not set\n";
    return 1;
}

int settingsSet(Context& ctx, JsonKeyValueStore& store, QuietLog& log, const std::string& key,
                const std::string& text) {
    if (key == kFlags) {
        ctx.err << "vantro-cli settings set: flags is the initialisation marker and is not edited; use 'settings "
                   "init'\n";
        return kUsageError;
    }
    const SettingKey* known = findSettingKey(key);
    if (!known) {
        ctx.err << "vantro-cli settings set: no setting " << quoteText(key) << "; the settings are " << keyList()
                << "\n";
        return kUsageError;
    }
    auto refuse = [&] {
        ctx.err << "vantro-cli settings set: " << key << " takes " << acceptedText(*known) << ", not "
                << quoteText(text) << "\n";
        return kUsageError;
    };
    switch (known->type) {
        case SettingType::Integer: {
            auto v = parseInteger(text);
            if (!v || *v < known->editorMin || *v > known->editorMax || !isSettingChoice(*known, std::to_string(*v))) {
                return refuse();
            }
            store.setInteger(key, *v);
            break;
        }
        case SettingType::Boolean: {
            auto v = parseBool(text);
            if (!v) return refuse();
            store.setBool(key, *v);
            break;
        }
        case SettingType::String:
            if (!isSettingChoice(*known, text)) return refuse();
            if (!isValidUtf8(text)) {
                ctx.err << "vantro-cli settings set: the text for " << key
                        << " is not valid UTF-8; nothing was changed\n";
                return kUsageError;
            }
            if (holdsControlCharacters(text)) {
                ctx.err << "vantro-cli settings set: the text for " << key << " holds control characters, "
                        << quoteText(text) << "; nothing was changed\n";
                return kUsageError;
            }
            store.setString(key, text);
            break;
        case SettingType::TimeStamp: {
            bool outOfRange = false;
            auto v = parseStamp(text, std::chrono::system_clock::now(), outOfRange);
            if (outOfRange) {
                ctx.err << "vantro-cli settings set: " << key << " takes times from 1678 to 2261, not "
                        << quoteText(text) << "\n";
                return kUsageError;
            }
            if (!v) return refuse();
            store.setDate(key, *v);
            break;
        }
    }
    return store.lastSaveSucceeded() ? 0 : settingsSaveFailure(ctx, store, log);
}

/// Opens the settings file and runs `action` on it; one line and status 1 when the file cannot be read.
int withStore(Context& ctx, const std::function<int(JsonKeyValueStore&, QuietLog&)>& action) {
    QuietLog log;
    JsonKeyValueStore store(configDirectory(ctx.dataDir), log);
    if (!store.damagedCopy().empty()) log.dumpTo(ctx.err);
    if (const std::string why = store.unavailableReason(); !why.empty()) {
        ctx.err << "vantro-cli settings: " << why << "\n";
        return 1;
    }
    return action(store, log);
}

int settingsInit(Context& ctx, JsonKeyValueStore& store, QuietLog& log) {
    const bool wrote = initializeDefaults(store, std::chrono::system_clock::now());
    if (wrote && !store.lastSaveSucceeded()) return settingsSaveFailure(ctx, store, log);
    ctx.out << (wrote ? "initialised" : "already initialised") << "\n";
    return 0;
}

Handler declareSettings(CLI::App& app) {
    auto key = std::make_shared<std::string>();
    auto value = std::make_shared<std::string>();
    std::vector<DeclaredCommand> commands;
    commands.push_back(declareCommand(app, "list", "list  every stored setting: key, type, value", [](CLI::App&) {
        return [](Context& ctx) {
            return withStore(ctx, [&](JsonKeyValueStore& store, QuietLog&) { return settingsList(ctx, store); });
        };
    }));
    commands.push_back(declareCommand(app, "get", "get KEY  one setting's value", [key](CLI::App& get) {
        get.add_option("KEY", *key, "the setting's key, as 'settings list' shows it")->required();
        return [key](Context& ctx) {
            return withStore(ctx, [&](JsonKeyValueStore& store, QuietLog&) { return settingsGet(ctx, store, *key); });
        };
    }));
    commands.push_back(declareCommand(app, "set", "set KEY VALUE  change one setting", [key, value](CLI::App& set) {
        set.add_option("KEY", *key, "the setting's key: " + keyList())->required();
        set.add_option("VALUE", *value, "its new value")->required();
        return [key, value](Context& ctx) {
            return withStore(ctx, [&](JsonKeyValueStore& store, QuietLog& log) {
                return settingsSet(ctx, store, log, *key, *value);
            });
        };
    }));
    commands.push_back(declareCommand(app, "init", "init  write the defaults unless done before", [](CLI::App&) {
        return [](Context& ctx) {
            return withStore(ctx,
                             [&](JsonKeyValueStore& store, QuietLog& log) { return settingsInit(ctx, store, log); });
        };
    }));
    app.require_subcommand(1);
    return [commands](Context& ctx) { return runGiven(commands, ctx).value_or(kUsageError); };
}

const Registration settingsReg("settings", "settings list | get KEY | set KEY VALUE | init   the phone's settings",
                               Declare(declareSettings));

}  // namespace
}  // namespace vantro::cli
