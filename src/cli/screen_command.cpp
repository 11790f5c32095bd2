// SPDX-License-Identifier: MIT
// vantro-cli screen: one command that hands over to the screen named by its first argument.
#include "cli/cli.h"

#include <map>
#include <ostream>

namespace vantro::cli {
namespace {

struct Screen {
    std::string usage;
    Handler handler;
};

std::map<std::string, Screen>& screens() {
    static std::map<std::string, Screen> table;
    return table;
}

void listScreens(std::ostream& os) {
    os << "usage: vantro-cli screen NAME [ARGS]\nscreens:\n";
    for (const auto& [name, screen] : screens()) os << "  screen " << screen.usage << "\n";
}

int screenCommand(Context& ctx) {
    if (ctx.args.empty()) {
        listScreens(ctx.err);
        return kUsageError;
    }
    if (ctx.args[0] == "help" || ctx.args[0] == "--help") {
        listScreens(ctx.out);
        return 0;
    }
    auto it = screens().find(ctx.args[0]);
    if (it == screens().end()) {
        ctx.err << "vantro-cli screen: unknown screen '" << ctx.args[0] << "'\n";
        listScreens(ctx.err);
        return kUsageError;
    }
    ctx.args.erase(ctx.args.begin());
    return it->second.handler(ctx);
}

const Registration screenReg("screen",
                             "screen NAME [ARGS]                                 what a screen shows ('screen help')",
                             screenCommand);

}  // namespace

ScreenRegistration::ScreenRegistration(std::string name, std::string usage, Handler handler) {
    screens()[std::move(name)] = Screen{std::move(usage), std::move(handler)};
}

}  // namespace vantro::cli
