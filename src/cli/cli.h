// SPDX-License-Identifier: MIT
// The command table of vantro-cli: each command file registers itself.
#pragma once

#include "platform/debug_log.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace vantro::cli {

/// What every command gets: the global options and where to write.
struct Context {
    std::string dataDir;   // --data-dir, empty for the default
    std::string language;  // --lang, empty for the user's locale
    std::ostream& out;
    std::ostream& err;
    bool verbose = false;        // --verbose: the debug log goes to standard error
    bool outIsTerminal = false;  // progress lines only on a terminal
};

using Handler = std::function<int(Context&)>;

/// Declares a command's options and positional arguments on its own parser (which answers its --help
/// and refuses bad usage) and returns the handler that reads them once they are parsed.
using Declare = std::function<Handler(CLI::App&)>;

/// Registers a command; `usage` is one line for the help text: the command line, blanks, a summary.
/// A command given a plain handler takes no arguments.
struct Registration {
    Registration(std::string name, std::string usage, Handler handler);
    Registration(std::string name, std::string usage, Declare declare);
};

/// Registers a screen of `vantro-cli screen NAME [ARGS]`, as a command of its own under `screen`.
/// Each screen's file registers its own, so adding a screen touches no other file.
struct ScreenRegistration {
    ScreenRegistration(std::string name, std::string usage, Handler handler);
    ScreenRegistration(std::string name, std::string usage, Declare declare);
};

/// A vantro-cli command as declared on its parser.
struct DeclaredCommand {
    CLI::App* parser = nullptr;
    Handler handler;
};

/// Adds `name` to `parent` with the summary of `usage`, its own -h/--help and `declare`'s options.
/// Commands with commands of their own (screen, settings) declare those with it too.
DeclaredCommand declareCommand(CLI::App& parent, const std::string& name, const std::string& usage,
                               const Declare& declare);
/// Runs the one of `commands` that was given; absent when none was.
std::optional<int> runGiven(const std::vector<DeclaredCommand>& commands, Context& ctx);

/// Exit status for a failed operation and for a usage error.
inline constexpr int kFailure = 1;
inline constexpr int kUsageError = 2;

/// The database and the settings store talk a lot; their lines are shown only when something went wrong.
struct QuietLog : CapturingLog {
    void dumpTo(std::ostream& os, size_t from = 0) const;
};

/// A whole decimal number with an optional '+', nothing else; absent otherwise or when it overflows.
std::optional<std::int64_t> parseInteger(std::string_view text);
/// Parses "0x1A" or "26" into 0..255.
std::optional<std::uint8_t> parseByteNumber(std::string_view text);
/// Parses hex bytes given as separate two-digit words or as one run of digits; absent on odd or non-hex input.
std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::vector<std::string>& words);
/// "08 07 DE 07 0F"
std::string hexLine(const std::vector<std::uint8_t>& bytes);

}  // namespace vantro::cli
