// SPDX-License-Identifier: MIT
// vantro-cli settings: list, read and change the phone's settings file.
#include "cli/cli.h"

#include "cli/app_client.h"

#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/strprintf.h"
#include "settings/json_key_value_store.h"
#include "settings/setting_text.h"
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
                const StoredValue& value) {
    storeSetting(store, key, value);
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
        set.add_option("KEY", *key, "the setting's key: " + settableKeyList())->required();
        set.add_option("VALUE", *value, "its new value")->required();
        return [key, value](Context& ctx) {
            // Checked here first, so that a bad value is said the same way with and without the app.
            const auto parsed = parseSettingText(*key, *value, std::chrono::system_clock::now());
            if (const auto* error = std::get_if<SettingTextError>(&parsed)) {
                ctx.err << "vantro-cli settings set: " << error->why << "\n";
                return kUsageError;
            }
            // The running app stores and applies it at once; without one the file is written.
            if (const auto through = settingThroughApp(ctx, *key, *value)) return *through;
            return withStore(ctx, [&](JsonKeyValueStore& store, QuietLog& log) {
                return settingsSet(ctx, store, log, *key, std::get<StoredValue>(parsed));
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
