// SPDX-License-Identifier: MIT
// vantro-cli: the headless driver of the companion core, for scripting and inspection.
#include "cli/cli.h"

#include "platform/debug_log.h"
#include "platform/strprintf.h"
#include "settings/setting_text.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <map>

#include <unistd.h>

#ifndef VANTRO_VERSION
#define VANTRO_VERSION "unknown"
#endif

namespace vantro::cli {
namespace {

struct Entry {
    std::string usage;
    Declare declare;
};

std::map<std::string, Entry>& table() {
    static std::map<std::string, Entry> commands;
    return commands;
}

const char* const kLanguages[] = {"en", "zh_CN"};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// GNU layout, so that help2man can make the manual page from it.
void printHelp(std::ostream& os) {
    os << "Usage: vantro-cli [OPTION]... COMMAND [ARG]...\n"
          "Drive the Vantro companion without a display: the activity database, the settings,\n"
          "wristband frames, a demo sync, backup and restore.\n"
          "\n"
          "Options:\n"
          "      --data-dir=DIR   keep the database and the settings in DIR (default:\n"
          "                         $XDG_DATA_HOME/vantro and $XDG_CONFIG_HOME/vantro)\n"
          "      --lang=LANG      language of the texts: en or zh_CN (default: the locale)\n"
          "      --verbose        show the debug log on standard error\n"
          "  -h, --help           display this help and exit\n"
          "      --version        output version information and exit\n"
          "Options go before the command; each command's own options follow it.\n"
          "\n"
          "Commands:\n";
    for (const auto& [name, entry] : table()) os << "  " << entry.usage << "\n";
    os << "\n"
          "'vantro-cli COMMAND --help' describes a command's arguments.\n"
          "\n"
          "Exit status:\n"
          "  0  the command succeeded\n"
          "  1  the command failed (for example, the database could not be read or written)\n"
          "  2  bad usage: an unknown command or option, a missing or malformed argument,\n"
          "     an unknown language, or an empty or unusable data directory\n"
          "\n"
          "Environment:\n"
          "  XDG_DATA_HOME, XDG_CONFIG_HOME  where the data live without --data-dir\n"
          "  TZ                              the time zone of dates and times\n"
          "  VANTRO_LOG=debug                the same as --verbose\n";
}

int usageError(const std::string& message) {
    std::cerr << "vantro-cli: " << message << "\nTry 'vantro-cli --help' for more information.\n";
    return kUsageError;
}

/// Why `dir` cannot hold the data, or absent. Nothing is created here: commands that only read
/// must not leave a directory behind.
std::optional<std::string> unusableDataDir(const std::string& dir) {
    namespace fs = std::filesystem;
    if (dir.empty()) return "--data-dir needs a directory, not an empty text";
    std::error_code ec;
    fs::path path = fs::absolute(dir, ec);
    if (ec) return "the data directory '" + dir + "' cannot be used: " + ec.message();
    // A name no file system takes would otherwise read as an empty directory that never fills.
    if (path.native().size() >= PATH_MAX)
        return "the data directory's path is too long (" + std::to_string(path.native().size()) + " bytes)";
    const bool exists = fs::exists(path, ec);
    if (ec) return "the data directory '" + dir + "' cannot be used: " + ec.message();
    if (exists) {
        if (!fs::is_directory(path, ec)) return "the data directory '" + dir + "' is not a directory";
        if (::access(path.c_str(), R_OK | X_OK) != 0) return "the data directory '" + dir + "' cannot be read";
        return std::nullopt;
    }
    // Missing: it must be creatable under its nearest existing parent, each new name within its limit.
    fs::path parent = path.parent_path();
    while (!parent.empty() && !fs::exists(parent, ec) && parent != parent.parent_path()) parent = parent.parent_path();
    if (!fs::is_directory(parent, ec)) {
        return "the data directory '" + dir + "' cannot be created: '" + parent.string() + "' is not a directory";
    }
    const long nameMax = ::pathconf(parent.c_str(), _PC_NAME_MAX);
    for (const auto& name : fs::relative(path, parent, ec)) {
        if (nameMax > 0 && name.native().size() > static_cast<std::size_t>(nameMax)) {
            return "the data directory cannot be created: the name '" + name.native().substr(0, 40) +
                   "...' is longer than " + std::to_string(nameMax) + " bytes";
        }
    }
    if (::access(parent.c_str(), W_OK | X_OK) != 0) {
        return "the data directory '" + dir + "' cannot be created in '" + parent.string() + "'";
    }
    return std::nullopt;
}

/// The summary at the end of a usage line, after its first run of blanks.
std::string summaryOf(const std::string& usage) {
    const auto gap = usage.find("  ");
    const auto summary = gap == std::string::npos ? std::string::npos : usage.find_first_not_of(' ', gap);
    return summary == std::string::npos ? usage : usage.substr(summary);
}

/// The command the parser got furthest into, for naming it in a message.
const CLI::App* deepestGiven(const CLI::App& app) {
    for (const CLI::App* sub : app.get_subcommands()) return deepestGiven(*sub);
    return &app;
}

std::string commandPath(const CLI::App* app) {
    std::string path;
    for (; app && app->get_parent(); app = app->get_parent()) path = app->get_name() + (path.empty() ? "" : " ") + path;
    return path;
}

}  // namespace

Registration::Registration(std::string name, std::string usageLine, Handler handler) {
    table()[std::move(name)] =
        Entry{std::move(usageLine), [handler = std::move(handler)](CLI::App&) { return handler; }};
}

Registration::Registration(std::string name, std::string usageLine, Declare declare) {
    table()[std::move(name)] = Entry{std::move(usageLine), std::move(declare)};
}

DeclaredCommand declareCommand(CLI::App& parent, const std::string& name, const std::string& usage,
                               const Declare& declare) {
    CLI::App* parser = parent.add_subcommand(name, summaryOf(usage));
    parser->set_help_flag("-h,--help", "display this help and exit");
    return DeclaredCommand{parser, declare(*parser)};
}

std::optional<int> runGiven(const std::vector<DeclaredCommand>& commands, Context& ctx) {
    for (const DeclaredCommand& c : commands) {
        if (c.parser->parsed()) return c.handler(ctx);
    }
    return std::nullopt;
}

void QuietLog::dumpTo(std::ostream& os, size_t from) const {
    for (size_t i = from; i < lines.size(); ++i) os << "  " << lines[i] << "\n";
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    return parseWholeNumber(text);
}

std::optional<std::uint8_t> parseByteNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 3) return std::nullopt;
    int v = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0 || d >= base) return std::nullopt;
        v = v * base + d;
    }
    if (v > 255) return std::nullopt;
    return static_cast<std::uint8_t>(v);
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::vector<std::string>& words) {
    std::string digits;
    for (const auto& w : words) {
        // Separate words must each be one byte; a single word may be a run of bytes.
        if (words.size() > 1 && w.size() != 2) return std::nullopt;
        digits += w;
    }
    if (digits.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (size_t i = 0; i < digits.size(); i += 2) {
        const int hi = hexDigit(digits[i]), lo = hexDigit(digits[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return bytes;
}

std::string hexLine(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (auto b : bytes) {
        if (!out.empty()) out += ' ';
        out += strprintf("%02X", b);
    }
    return out;
}

}  // namespace vantro::cli

int main(int argc, char** argv) {
    using namespace vantro::cli;
    CLI::App parser("Drive the Vantro companion without a display", "vantro-cli");
    parser.set_help_flag("-h,--help", "display this help and exit");
    bool version = false, verbose = false;
    std::optional<std::string> dataDir, language;
    parser.add_flag("--version", version);
    parser.add_flag("--verbose", verbose);
    parser.add_option_function<std::string>("--data-dir", [&](const std::string& dir) { dataDir = dir; });
    parser.add_option_function<std::string>("--lang", [&](const std::string& lang) { language = lang; });
    std::vector<DeclaredCommand> commands;
    for (const auto& [name, entry] : table())
        commands.push_back(declareCommand(parser, name, entry.usage, entry.declare));
    // One command per call: a later word that names a command is an argument, not a second command.
    parser.require_subcommand(0, 1);
    // `vantro-cli help` is the same as --help.
    CLI::App* help = parser.add_subcommand("help", "display this help and exit");
    help->group("");
    try {
        parser.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        // A command's help starts at the top, so its usage line names the whole command.
        if (deepestGiven(parser) == &parser) {
            printHelp(std::cout);
        } else {
            std::cout << parser.help();
        }
        return 0;
    } catch (const CLI::ParseError& e) {
        const CLI::App* failed = deepestGiven(parser);
        if (failed == &parser) {
            const auto extra = parser.remaining();
            if (!extra.empty() && !extra[0].empty() && extra[0][0] != '-') {
                return usageError("unknown command '" + extra[0] + "'");
            }
            return usageError(e.what());
        }
        const std::string path = commandPath(failed);
        std::string what = e.what();
        // A command made of commands (screen, settings) was given a word that names none of them.
        const auto extra = failed->remaining();
        if (!failed->get_subcommands({}).empty() && !extra.empty() && !extra[0].empty() && extra[0][0] != '-') {
            what = "unknown command '" + extra[0] + "'";
        }
        std::cerr << "vantro-cli " << path << ": " << what << "\nTry 'vantro-cli " << path
                  << " --help' for more information.\n";
        return kUsageError;
    }
    if (help->parsed()) {
        printHelp(std::cout);
        return 0;
    }
    if (version) {
        std::cout << "vantro-cli " VANTRO_VERSION "\n";
        return 0;
    }
    if (verbose) vantro::setLogThreshold(vantro::LogLevel::Debug);
    if (language && std::find(std::begin(kLanguages), std::end(kLanguages), *language) == std::end(kLanguages)) {
        std::cerr << "vantro-cli: unknown language '" << *language << "' (known: en, zh_CN)\n";
        return kUsageError;
    }
    if (dataDir) {
        if (auto why = unusableDataDir(*dataDir)) {
            std::cerr << "vantro-cli: " << *why << "\n";
            return kUsageError;
        }
    }
    Context ctx{dataDir.value_or(""),
                language.value_or(""),
                std::cout,
                std::cerr,
                vantro::logThreshold() == vantro::LogLevel::Debug,
                ::isatty(STDOUT_FILENO) == 1};
    if (auto status = runGiven(commands, ctx)) return *status;
    return usageError("no command given");
}
