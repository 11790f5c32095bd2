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
    if (std::filesystem::is_directory(status)) {
        return fail(path + " is a directory, not a desktop entry; the companion leaves it alone");
    }
    if (!on) {
        std::filesystem::remove(path, ec);
        if (ec) return fail("cannot remove " + path + ": " + ec.message());
        return std::nullopt;
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

bool startsAtLogin() {
    std::string error;
    const auto text = readWholeFile(autostartPath(), error);
    if (!text) return false;
    // The user may keep the entry but turn it off, as desktops' own startup settings do.
    std::istringstream lines(*text);
    bool inEntry = false;
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty() && line.front() == '[') inEntry = line == "[Desktop Entry]";
        if (inEntry && (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")) return false;
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
