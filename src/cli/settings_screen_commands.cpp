// SPDX-License-Identifier: MIT
// vantro-cli screen settings: the settings table as the user sees it.
#include "cli/cli.h"

#include "app/vantro_app_delegate.h"
#include "platform/debug_log.h"
#include "platform/localizer.h"
#include "platform/paths.h"
#include "platform/real_time_run_loop.h"
#include "settings/json_key_value_store.h"
#include "settings/settings_view_controller.h"

#include <ostream>

namespace vantro::cli {
namespace {

int settingsScreen(Context& ctx) {
    if (!ctx.args.empty()) {
        ctx.err << "usage: vantro-cli screen settings\n";
        return kUsageError;
    }
    CapturingLog log;
    RealTimeRunLoop loop;
    GettextLocalizer localizer(ctx.language);
    JsonKeyValueStore store(configDirectory(ctx.dataDir), log);
    if (const std::string why = store.unavailableReason(); !why.empty()) {
        ctx.err << "vantro-cli screen settings: " << why << "\n";
        return 1;
    }
    VantroAppDelegate app(AppPorts{loop, log, localizer, store});
    app.didFinishLaunchingWithOptions(nullptr, nullptr);
    // Opening the screen writes the defaults on first use, as in the app.
    SettingsViewController screen(app, nullptr);
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
