// SPDX-License-Identifier: MIT
// Looks up user-visible texts by key; a key without a translation shows as itself.
#include "platform/localizer.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#ifndef VANTRO_LOCALE_DIR
#define VANTRO_LOCALE_DIR ""
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
    return VANTRO_LOCALE_DIR;
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
    setenv("LANGUAGE", language.c_str(), 1);
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
