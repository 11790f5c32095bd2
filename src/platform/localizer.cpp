// SPDX-License-Identifier: MIT
// Looks up user-visible texts by key; a key without a translation shows as itself.
#include "platform/localizer.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

// Where the catalogs are, seen from the directory of the executable: installed, then in the build tree.
#ifndef VANTRO_INSTALLED_LOCALE_DIR
#define VANTRO_INSTALLED_LOCALE_DIR "../share/locale"
#endif
#ifndef VANTRO_BUILD_LOCALE_DIR
#define VANTRO_BUILD_LOCALE_DIR "../locale"
#endif

namespace vantro {
namespace {

constexpr const char* kDomain = "vantro";

bool hasCatalog(const std::string& dir, const std::string& lang) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(dir) / lang / "LC_MESSAGES" / "vantro.mo", ec);
}

// "zh_CN.UTF-8@x" -> "zh_CN"
std::string languageOf(const char* value) {
    if (!value) return {};
    std::string s(value);
    if (auto colon = s.find(':'); colon != std::string::npos) s.resize(colon);
    if (auto cut = s.find_first_of(".@"); cut != std::string::npos) s.resize(cut);
    return s;
}

std::string userLanguage() {
    for (const char* var : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string lang = languageOf(std::getenv(var));
        if (!lang.empty()) return lang;
    }
    return {};
}

}  // namespace

std::string defaultLocaleDir() {
    if (const char* env = std::getenv("VANTRO_LOCALEDIR"); env && *env) return env;
    // Relative to the executable, so an installed tree works from any prefix and keeps no build path.
    std::error_code ec;
    const auto exeDir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    if (ec) return {};
    for (const char* relative : {VANTRO_INSTALLED_LOCALE_DIR, VANTRO_BUILD_LOCALE_DIR}) {
        const auto dir = (exeDir / relative).lexically_normal();
        if (hasCatalog(dir.string(), "en")) return dir.string();
    }
    return {};
}

GettextLocalizer::GettextLocalizer(std::string language, std::string localeDir) {
    if (localeDir.empty()) localeDir = defaultLocaleDir();
    if (language.empty()) language = userLanguage();
    if (!hasCatalog(localeDir, language)) {
        // "zh_CN" may be asked for as "zh"; otherwise English.
        const std::string base = language.substr(0, language.find('_'));
        if (base == "zh" && hasCatalog(localeDir, "zh_CN")) {
            language = "zh_CN";
        } else {
            language = "en";
        }
    }
    m_language = language;
    // gettext ignores LANGUAGE in the "C" locale, and the user's locale may not be
    // generated on this machine; C.UTF-8 always exists and lets LANGUAGE choose.
    // The environment is not safe to change while other threads read it (GSettings' dconf worker does):
    // it is changed only when the language is not already the one set.
    const char* set = std::getenv("LANGUAGE");
    if (!set || language != set) setenv("LANGUAGE", language.c_str(), 1);
    const char* current = std::setlocale(LC_MESSAGES, "");
    if (!current || std::string(current) == "C" || std::string(current) == "POSIX") {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    bindtextdomain(kDomain, localeDir.c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
}

std::string GettextLocalizer::localizedString(std::string_view key) const {
    if (key.empty()) return {};  // gettext("") returns the catalog header
    const std::string k(key);
    return dgettext(kDomain, k.c_str());
}

}  // namespace vantro
