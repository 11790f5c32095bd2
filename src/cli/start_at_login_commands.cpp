// SPDX-License-Identifier: MIT
// vantro-cli start-at-login [on|off]: the desktop's autostart entry of the companion, for users without the window.
#include "cli/cli.h"

#include "session/autostart.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <ostream>

namespace vantro::cli {
namespace {

int startAtLogin(Context& ctx, const std::string& choice) {
    if (choice.empty()) {
        std::string problem;
        ctx.out << (startsAtLogin(&problem) ? "on" : "off") << "\n";
        if (!problem.empty()) ctx.err << "vantro-cli start-at-login: " << problem << "\n";
        return 0;
    }
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    QuietLog log;
    if (const auto problem = setStartAtLogin(choice == "on", companionExecutable(self), log)) {
        ctx.err << "vantro-cli start-at-login: " << *problem << "\n";
        return kFailure;
    }
    ctx.out << "Start at login: " << choice << " (" << autostartPath() << ")\n";
    return 0;
}

Handler declareStartAtLogin(CLI::App& app) {
    auto choice = std::make_shared<std::string>();
    app.add_option("CHOICE", *choice, "on or off; without it, whether the companion starts at login")
        ->check(CLI::IsMember({"on", "off"}));
    return [choice](Context& ctx) { return startAtLogin(ctx, *choice); };
}

const Registration startAtLoginReg("start-at-login",
                                   "start-at-login [on|off]                            whether vantro starts at login",
                                   Declare(declareStartAtLogin));

}  // namespace
}  // namespace vantro::cli
