// SPDX-License-Identifier: MIT
// vantro-cli: the headless driver of the companion core, for scripting and inspection.
#include "cli/cli.h"

#include "platform/strprintf.h"

#include <cctype>
#include <iostream>
#include <map>

namespace vantro::cli {
namespace {

struct Entry {
    std::string usage;
    Handler handler;
};

std::map<std::string, Entry>& table() {
    static std::map<std::string, Entry> commands;
    return commands;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void usage(std::ostream& os) {
    os << "usage: vantro-cli [--data-dir DIR] [--lang en|zh_CN] COMMAND [ARGS]\ncommands:\n";
    for (const auto& [name, entry] : table()) os << "  " << entry.usage << "\n";
}

}  // namespace

Registration::Registration(std::string name, std::string usageLine, Handler handler) {
    table()[std::move(name)] = Entry{std::move(usageLine), std::move(handler)};
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
        if (args[i] != name) continue;
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
    std::vector<std::string> args(argv + 1, argv + argc);
    bool missing = false;
    auto dataDir = takeOption(args, "--data-dir", missing);
    auto lang = takeOption(args, "--lang", missing);
    if (missing) {
        std::cerr << "vantro-cli: --data-dir and --lang need a value\n";
        return kUsageError;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        usage(args.empty() ? std::cerr : std::cout);
        return args.empty() ? kUsageError : 0;
    }
    auto it = table().find(args[0]);
    if (it == table().end()) {
        std::cerr << "vantro-cli: unknown command '" << args[0] << "'\n";
        usage(std::cerr);
        return kUsageError;
    }
    Context ctx{std::vector<std::string>(args.begin() + 1, args.end()), dataDir.value_or(""), lang.value_or(""),
                std::cout, std::cerr};
    return it->second.handler(ctx);
}
