// SPDX-License-Identifier: MIT
// vantro-cli screen: one command whose own commands are the screens, each registered by its file.
#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <map>
#include <ostream>

namespace vantro::cli {
namespace {

struct Screen {
    std::string usage;
    Declare declare;
};

std::map<std::string, Screen>& screens() {
    static std::map<std::string, Screen> table;
    return table;
}

void listScreens(std::ostream& os) {
    os << "usage: vantro-cli screen NAME [ARGS]\nscreens:\n";
    for (const auto& [name, screen] : screens()) os << "  screen " << screen.usage << "\n";
}

Handler declareScreen(CLI::App& app) {
    std::vector<DeclaredCommand> commands;
    for (const auto& [name, screen] : screens())
        commands.push_back(declareCommand(app, name, screen.usage, screen.declare));
    // `screen help` lists the screens with their arguments.
    CLI::App* help = app.add_subcommand("help", "list the screens");
    help->group("");
    app.require_subcommand(0, 1);
    return [commands, help](Context& ctx) {
        if (help->parsed()) {
            listScreens(ctx.out);
            return 0;
        }
        if (auto status = runGiven(commands, ctx)) return *status;
        listScreens(ctx.err);
        return kUsageError;
    };
}

const Registration screenReg("screen",
                             "screen NAME [ARGS]                                 what a screen shows ('screen help')",
                             Declare(declareScreen));

}  // namespace

ScreenRegistration::ScreenRegistration(std::string name, std::string usage, Handler handler) {
    screens()[std::move(name)] =
        Screen{std::move(usage), [handler = std::move(handler)](CLI::App&) { return handler; }};
}

ScreenRegistration::ScreenRegistration(std::string name, std::string usage, Declare declare) {
    screens()[std::move(name)] = Screen{std::move(usage), std::move(declare)};
}

}  // namespace vantro::cli
