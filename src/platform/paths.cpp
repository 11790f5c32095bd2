// SPDX-License-Identifier: MIT
// Where the app keeps its files: the XDG data and config directories, or the --data-dir override.
#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

// The modules' folder seen from the executable's: the same installed as in the build tree.
#ifndef VANTRO_INSTALLED_MODULE_DIR
#define VANTRO_INSTALLED_MODULE_DIR "../lib/vantro"
#endif

namespace vantro {
namespace {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return ".";
}

// The XDG base directory rules: an unset, empty or relative variable means the default.
std::string xdgDirectory(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    std::string base;
    if (value && value[0] == '/') {
        base = value;
    } else {
        base = homeDirectory() + "/" + fallbackUnderHome;
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/vantro";
}

}  // namespace

std::string dataDirectory(std::string_view override) {
    if (!override.empty()) return std::string(override);
    return xdgDirectory("XDG_DATA_HOME", ".local/share");
}

std::string recordsDirectory(std::string_view override, bool simulatedBand) {
    if (!override.empty() || !simulatedBand) return dataDirectory(override);
    return dataDirectory() + "/simulated";
}

std::string configDirectory(std::string_view override) {
    if (!override.empty()) return std::string(override);
    return xdgDirectory("XDG_CONFIG_HOME", ".config");
}

bool ensureDirectory(const std::string& dir, DebugLog& log) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    ec.clear();
    // Parents first; each directory made here is private (what it will hold is personal), while one
    // that already exists keeps its mode.
    std::filesystem::path made;
    for (const auto& part : std::filesystem::path(dir)) {
        made /= part;
        if (mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            ec = std::error_code(errno, std::generic_category());
            break;
        }
    }
    if (ec || !std::filesystem::is_directory(dir)) {
        log.warning("cannot create the directory " + dir + ": " + (ec ? ec.message() : std::string("not a directory")));
        return false;
    }
    return true;
}

std::string moduleFile(std::string_view fileName) {
    if (const char* dir = std::getenv("VANTRO_MODULE_DIR"); dir && *dir) {
        return (std::filesystem::path(dir) / fileName).string();
    }
    // Relative to the executable, so no build path is compiled in and any prefix works.
    std::error_code ec;
    const auto exeDir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    return (exeDir / VANTRO_INSTALLED_MODULE_DIR / fileName).lexically_normal().string();
}

}  // namespace vantro
