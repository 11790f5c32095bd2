// SPDX-License-Identifier: MIT
// vantro-cli: the headless driver of the companion core, for scripting and inspection.
#include "cli/cli.h"

#include "platform/debug_log.h"
#include "platform/strprintf.h"

#include <CLI/CLI.hpp>

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
    Handler handler;
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
    if (fs::exists(path, ec)) {
        if (!fs::is_directory(path, ec)) return "the data directory '" + dir + "' is not a directory";
        if (::access(path.c_str(), R_OK | X_OK) != 0) return "the data directory '" + dir + "' cannot be read";
        return std::nullopt;
    }
    // Missing: it must be creatable under its nearest existing parent.
    fs::path parent = path.parent_path();
    while (!parent.empty() && !fs::exists(parent, ec) && parent != parent.parent_path()) parent = parent.parent_path();
    if (!fs::is_directory(parent, ec)) {
        return "the data directory '" + dir + "' cannot be created: '" + parent.string() + "' is not a directory";
    }
    if (::access(parent.c_str(), W_OK | X_OK) != 0) {
        return "the data directory '" + dir + "' cannot be created in '" + parent.string() + "'";
    }
    return std::nullopt;
}

/// Runs a command that declared its options: the parser answers --help and refuses bad usage.
int runDeclared(const std::string& name, const Entry& entry, Context& ctx) {
    // The usage line ends in its summary, after a run of blanks.
    const auto gap = entry.usage.find("  ");
    const auto summary = gap == std::string::npos ? std::string::npos : entry.usage.find_first_not_of(' ', gap);
    CLI::App parser(summary == std::string::npos ? entry.usage : entry.usage.substr(summary), "vantro-cli " + name);
    const Handler handler = entry.declare(parser);
    try {
        std::vector<std::string> reversed(ctx.args.rbegin(), ctx.args.rend());
        parser.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        ctx.out << parser.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        ctx.err << "vantro-cli " << name << ": " << e.what() << "\nTry 'vantro-cli " << name
                << " --help' for more information.\n";
        return kUsageError;
    }
    ctx.args.clear();
    return handler(ctx);
}

}  // namespace

Registration::Registration(std::string name, std::string usageLine, Handler handler) {
    table()[std::move(name)] = Entry{std::move(usageLine), std::move(handler), nullptr};
}

Registration::Registration(std::string name, std::string usageLine, Declare declare) {
    table()[std::move(name)] = Entry{std::move(usageLine), nullptr, std::move(declare)};
}

void QuietLog::dumpTo(std::ostream& os, size_t from) const {
    for (size_t i = from; i < lines.size(); ++i) os << "  " << lines[i] << "\n";
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    std::int64_t v = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last || first == last) return std::nullopt;
    return v;
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

std::optional<std::string> takeOption(std::vector<std::string>& args, std::string_view name, bool& missing) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") break;
        const std::string& arg = args[i];
        if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
            std::string value = arg.substr(name.size() + 1);
            args.erase(args.begin() + static_cast<long>(i));
            return value;
        }
        if (arg != name) continue;
        if (i + 1 >= args.size()) {
            missing = true;
            args.erase(args.begin() + static_cast<long>(i));
            return std::nullopt;
        }
        std::string value = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return value;
    }
    return std::nullopt;
}

}  // namespace vantro::cli

int main(int argc, char** argv) {
    using namespace vantro::cli;
    CLI::App parser("vantro-cli", "vantro-cli");
    parser.set_help_flag();
    parser.prefix_command();
    bool help = false, version = false, verbose = false;
    std::optional<std::string> dataDir;
    std::string language;
    parser.add_flag("-h,--help", help);
    parser.add_flag("--version", version);
    parser.add_flag("--verbose", verbose);
    parser.add_option_function<std::string>("--data-dir", [&](const std::string& dir) { dataDir = dir; });
    parser.add_option("--lang", language);
    try {
        parser.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return usageError(e.what());
    }
    if (help) {
        printHelp(std::cout);
        return 0;
    }
    if (version) {
        std::cout << "vantro-cli " VANTRO_VERSION "\n";
        return 0;
    }
    if (verbose) vantro::setLogThreshold(vantro::LogLevel::Debug);
    if (!language.empty() &&
        std::find(std::begin(kLanguages), std::end(kLanguages), language) == std::end(kLanguages)) {
        std::cerr << "vantro-cli: unknown language '" << language << "' (known: en, zh_CN)\n";
        return kUsageError;
    }
    if (dataDir) {
        if (auto why = unusableDataDir(*dataDir)) {
            std::cerr << "vantro-cli: " << *why << "\n";
            return kUsageError;
        }
    }
    std::vector<std::string> args = parser.remaining();
    if (args.empty()) return usageError("no command given");
    if (args[0] == "help") {
        printHelp(std::cout);
        return 0;
    }
    if (args[0].size() > 1 && args[0][0] == '-') return usageError("unknown option '" + args[0] + "'");
    auto it = table().find(args[0]);
    if (it == table().end()) return usageError("unknown command '" + args[0] + "'");
    Context ctx{std::vector<std::string>(args.begin() + 1, args.end()),
                dataDir.value_or(""),
                language,
                std::cout,
                std::cerr,
                vantro::logThreshold() == vantro::LogLevel::Debug,
                ::isatty(STDOUT_FILENO) == 1};
    if (it->second.declare) return runDeclared(it->first, it->second, ctx);
    const auto end = std::find(ctx.args.begin(), ctx.args.end(), "--");
    if (std::find(ctx.args.begin(), end, "--help") != end) {
        const std::string& usage = it->second.usage;
        const auto gap = usage.find("  ");
        std::cout << "Usage: vantro-cli [OPTION]... " << usage.substr(0, gap) << "\n";
        if (gap != std::string::npos) std::cout << usage.substr(usage.find_first_not_of(' ', gap)) << "\n";
        return 0;
    }
    return it->second.handler(ctx);
}
