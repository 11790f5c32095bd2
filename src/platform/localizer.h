// SPDX-License-Identifier: MIT
// Looks up user-visible texts by key; a key without a translation shows as itself.
#pragma once

#include <string>
#include <string_view>

namespace vantro {

/// Port: the application's string table.
class Localizer {
public:
    virtual ~Localizer() = default;
    virtual std::string localizedString(std::string_view key) const = 0;
};

/// Returns every key unchanged; for tests that check keys rather than texts.
class IdentityLocalizer : public Localizer {
public:
    std::string localizedString(std::string_view key) const override { return std::string(key); }
};

/// GNU gettext catalogs of the domain "vantro".
class GettextLocalizer : public Localizer {
public:
    /// `language` is "en", "zh_CN" or empty for the user's locale; a language without a catalog falls
    /// back to English. `localeDir` empty means defaultLocaleDir().
    explicit GettextLocalizer(std::string language = {}, std::string localeDir = {});
    std::string localizedString(std::string_view key) const override;
    const std::string& language() const { return m_language; }

private:
    std::string m_language;
};

/// $VANTRO_LOCALEDIR when set, else the catalogs next to the executable: ../share/locale when
/// installed, ../locale in the build tree; empty when there are none (texts stay English keys).
std::string defaultLocaleDir();

}  // namespace vantro
