// SPDX-License-Identifier: MIT
// Start at login: the desktop's autostart entry that runs the companion in the background.
#include "session/autostart.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace vantro {
namespace {

// Exec= arguments with reserved characters are quoted, and inside quotes these four are escaped.
std::string execArgument(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) return path;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::string autostartPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/autostart/org.vantro.Vantro.desktop";
}

std::string autostartEntry(const std::string& executable) {
    // A field code "%" in a path would be expanded by the desktop; "%%" is a literal one.
    std::string exec;
    for (char c : execArgument(executable)) {
        exec += c;
        if (c == '%') exec += '%';
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vantro\n"
           "Comment=Keeps watch over the wristband in the background\n"
           "Exec=" +
           exec +
           " --background\n"
           "Icon=vantro\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::optional<std::string> setStartAtLogin(bool on, const std::string& executable, DebugLog& log) {
    const std::string path = autostartPath();
    auto fail = [&](const std::string& why) {
        log.warning("start at login: " + why);
        return std::optional<std::string>(why);
    };
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (!on) {
        // Off is done when nothing would start, whatever is in the entry's place (a directory, a file
        // where the folder should be): such things are the user's and stay.
        if (!std::filesystem::is_directory(status)) std::filesystem::remove(path, ec);
        if (startsAtLogin()) return fail("cannot remove " + path + ": " + ec.message());
        return std::nullopt;
    }
    if (std::filesystem::is_directory(status)) {
        return fail(path + " is a directory, not a desktop entry; the companion leaves it alone");
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (std::filesystem::exists(folder, ec) && !std::filesystem::is_directory(folder, ec)) {
        return fail("cannot make the folder " + folder + ": a file of that name is in the way");
    }
    if (!ensureDirectory(folder, log)) return fail("cannot make the folder " + folder);
    if (std::filesystem::is_symlink(status) && !std::filesystem::exists(path, ec)) {
        std::string ignored;
        const auto target = resolveSymlinks(path, ignored).value_or(path);
        if (!std::filesystem::is_directory(std::filesystem::path(target).parent_path(), ec)) {
            return fail(path + " is a link to " + target + ", whose folder does not exist");
        }
    }
    if (const auto error = writeFileAtomically(path, autostartEntry(executable))) {
        return fail("cannot write " + path + ": " + *error);
    }
    return std::nullopt;
}

bool startsAtLogin(std::string* problem) {
    std::string error;
    const std::string path = autostartPath();
    const auto text = readWholeFile(path, error);
    if (!text) {
        // No entry is plainly off; one that cannot be read (a FIFO, a device, too large) is said.
        struct stat st {};
        if (problem && stat(path.c_str(), &st) == 0) *problem = error;
        return false;
    }
    // The user may keep the entry but turn it off, as desktops' own startup settings do; blanks around
    // "=" are allowed ("Hidden = true").
    auto trim = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r')) v.remove_suffix(1);
        return v;
    };
    std::istringstream lines(*text);
    bool inEntry = false;
    for (std::string raw; std::getline(lines, raw);) {
        const std::string_view line = trim(raw);
        if (!line.empty() && line.front() == '[') inEntry = line == "[Desktop Entry]";
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, equals)), value = trim(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

std::string companionExecutable(const std::string& self) {
    std::error_code ec;
    const auto beside = std::filesystem::path(self).parent_path() / "vantro";
    if (!self.empty() && std::filesystem::is_regular_file(beside, ec) && access(beside.c_str(), X_OK) == 0) {
        return std::filesystem::absolute(beside, ec).string();
    }
    return "vantro";
}

}  // namespace vantro
