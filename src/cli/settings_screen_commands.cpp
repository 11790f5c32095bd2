// SPDX-License-Identifier: MIT
// vantro-cli screen settings: the settings table as the user sees it.
#include "cli/cli.h"

#include "app/vantro_app_delegate.h"
#include "platform/debug_log.h"
#include "platform/localizer.h"
#include "platform/paths.h"
#include "platform/real_time_run_loop.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_keys.h"
#include "settings/settings_view_controller.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <type_traits>

namespace vantro::cli {
namespace {

/// The settings as stored, read without writing anything: a screen only shows them. A damaged file
/// shows what could be read; one that cannot be read is a failure, not an empty table.
std::optional<MemoryKeyValueStore> readSettings(Context& ctx) {
    const std::string path = configDirectory(ctx.dataDir) + "/settings.json";
    MemoryKeyValueStore store;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) {
        // The app's first start: it writes the defaults as it starts.
        initializeDefaults(store, std::chrono::system_clock::now());
        return store;
    }
    std::ifstream in(path, std::ios::binary);
    // One byte past the limit is enough to tell a file too large.
    std::string bytes(JsonKeyValueStore::kMaxFileBytes + 1, '\0');
    if (in && !std::filesystem::is_directory(path, ec))
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (!in.is_open() || std::filesystem::is_directory(path, ec) || in.bad()) {
        ctx.err << "vantro-cli screen settings: " << path << " cannot be read\n";
        return std::nullopt;
    }
    // What the app writes on first use, under what is stored: a value set before that first use shows
    // as it is stored, not as the default that starting the app would put over it.
    initializeDefaults(store, std::chrono::system_clock::now());
    const SettingsDocument document = JsonKeyValueStore::parse(bytes);
    if (!document.sound()) {
        ctx.err << "vantro-cli screen settings: " << path << " is damaged; showing what could be read\n";
    }
    for (const auto& [key, value] : document.values) {
        std::visit(
            [&, &key = key](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::int64_t>) store.setInteger(key, v);
                if constexpr (std::is_same_v<T, bool>) store.setBool(key, v);
                if constexpr (std::is_same_v<T, std::string>) store.setString(key, v);
                if constexpr (std::is_same_v<T, Instant>) store.setDate(key, v);
            },
            value);
    }
    return store;
}

/// The screen is printed, never tapped: no verb reaches a band from here.
class PrintedScreenCompanion : public Companion {
public:
    explicit PrintedScreenCompanion(const CompanionStateKeeper& state) : m_state(state) {}
    CompanionState state() const override { return m_state.state(); }
    Outcome connect(const std::string&, Done, double) override { return Outcome::NotConnected; }
    Outcome disconnect() override { return Outcome::NotConnected; }
    Outcome sync(Done) override { return Outcome::NotConnected; }
    bool applySetting(std::string_view) override { return false; }
    void setFindMe(bool) override {}
    bool factoryReset() override { return false; }
    void forgetBand() override {}
    void rescan() override {}

private:
    const CompanionStateKeeper& m_state;
};

int settingsScreen(Context& ctx) {
    CapturingLog log;
    RealTimeRunLoop loop;
    GettextLocalizer localizer(ctx.language);
    auto store = readSettings(ctx);
    if (!store) return 1;
    CompanionStateKeeper state;  // the screen as a band-less start shows it
    VantroAppDelegate app(AppPorts{loop, log, localizer, *store}, state);
    app.didFinishLaunchingWithOptions(nullptr, nullptr);
    PrintedScreenCompanion companion(state);
    SettingsViewController screen(app, companion, nullptr);
    screen.viewDidLoad();
    for (int section = 0; section < screen.numberOfSections(); ++section) {
        ctx.out << screen.titleForHeaderInSection(section) << "\n";
        for (int row = 0; row < screen.numberOfRowsInSection(section); ++row) {
            const SettingsRow r = screen.cellForRowAtIndexPath({section, row});
            ctx.out << r.caption << "\t" << r.detail << "\n";
        }
    }
    return 0;
}

const ScreenRegistration settingsReg("settings", "settings                                  the settings table",
                                     settingsScreen);

}  // namespace
}  // namespace vantro::cli
