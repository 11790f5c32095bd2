// SPDX-License-Identifier: MIT
// The desktop's do-not-disturb switch, read through GSettings where its schema is installed.
#pragma once

#include <functional>
#include <string>

namespace vantro::gui {

/// GNOME and Phosh keep do-not-disturb as `show-banners` false in org.gnome.desktop.notifications.
/// Where that schema (or its key) is not installed the desktop has no such switch: never on.
/// Kept free of Qt: GIO's headers and Qt's keywords do not mix.
class DoNotDisturbSetting {
public:
    static constexpr const char* kSchema = "org.gnome.desktop.notifications";
    static constexpr const char* kKey = "show-banners";

    /// `changed` runs with the new state whenever the switch changes (the GLib main loop, which Qt's
    /// event loop runs on Linux, delivers it).
    explicit DoNotDisturbSetting(std::function<void(bool on)> changed = {}, const char* schema = kSchema);
    ~DoNotDisturbSetting();
    DoNotDisturbSetting(const DoNotDisturbSetting&) = delete;
    DoNotDisturbSetting& operator=(const DoNotDisturbSetting&) = delete;

    /// Whether the schema and its key were found.
    bool available() const { return m_settings != nullptr; }
    /// Read at each call: always the switch as it stands now.
    bool on() const;

private:
    static void onChanged(void* settings, const char* key, void* self);

    void* m_settings = nullptr;  // GSettings*
    unsigned long m_handler = 0;
    std::function<void(bool)> m_changed;
};

}  // namespace vantro::gui
