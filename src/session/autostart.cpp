// SPDX-License-Identifier: MIT
// Start at login: the desktop's autostart entry that runs the companion in the background.
#include "session/autostart.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

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

bool setStartAtLogin(bool on, const std::string& executable, DebugLog& log) {
    const std::string path = autostartPath();
    if (!on) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        if (ec) log.warning("cannot remove " + path + ": " + ec.message());
        return !ec;
    }
    if (!ensureDirectory(std::filesystem::path(path).parent_path().string(), log)) return false;
    if (const auto error = writeFileAtomically(path, autostartEntry(executable))) {
        log.warning("cannot write " + path + ": " + *error);
        return false;
    }
    return true;
}

bool startsAtLogin() {
    std::error_code ec;
    return std::filesystem::exists(autostartPath(), ec);
}

}  // namespace vantro
