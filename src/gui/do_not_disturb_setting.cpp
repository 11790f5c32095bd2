// SPDX-License-Identifier: MIT
// The desktop's do-not-disturb switch, read through GSettings where its schema is installed.
#include "gui/do_not_disturb_setting.h"

#include <gio/gio.h>

#include <dlfcn.h>

#include <type_traits>

namespace vantro::gui {
namespace {

/// GIO opened when the switch is first looked at rather than linked: loading it with its dependencies
/// (GObject, libmount, libselinux ...) cost a start a good part of a bare window's own start.
struct Gio {
    decltype(&g_settings_schema_source_get_default) sourceDefault = nullptr;
    decltype(&g_settings_schema_source_lookup) lookup = nullptr;
    decltype(&g_settings_schema_has_key) hasKey = nullptr;
    decltype(&g_settings_schema_unref) schemaUnref = nullptr;
    decltype(&g_settings_new) settingsNew = nullptr;
    decltype(&g_settings_get_boolean) getBoolean = nullptr;
    decltype(&g_signal_connect_data) connect = nullptr;
    decltype(&g_signal_handler_disconnect) disconnect = nullptr;
    decltype(&g_object_unref) unref = nullptr;
};

/// Null where GIO cannot be loaded: then the desktop has no switch the app could read.
const Gio* gio() {
    static const Gio* const loaded = []() -> const Gio* {
        void* lib = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return nullptr;
        static Gio g;
        bool all = true;
        // Looked up through GIO's handle, which reaches GObject's symbols as well.
        const auto find = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            all = all && fn;
        };
        find(g.sourceDefault, "g_settings_schema_source_get_default");
        find(g.lookup, "g_settings_schema_source_lookup");
        find(g.hasKey, "g_settings_schema_has_key");
        find(g.schemaUnref, "g_settings_schema_unref");
        find(g.settingsNew, "g_settings_new");
        find(g.getBoolean, "g_settings_get_boolean");
        find(g.connect, "g_signal_connect_data");
        find(g.disconnect, "g_signal_handler_disconnect");
        find(g.unref, "g_object_unref");
        return all ? &g : nullptr;
    }();
    return loaded;
}

}  // namespace

DoNotDisturbSetting::DoNotDisturbSetting(std::function<void(bool on)> changed, const char* schema)
    : m_changed(std::move(changed)) {
    const Gio* g = gio();
    if (!g) return;
    GSettingsSchemaSource* source = g->sourceDefault();
    // Without the schema g_settings_new would abort the process: look it up first.
    GSettingsSchema* found = source ? g->lookup(source, schema, TRUE) : nullptr;
    if (!found) return;
    const bool hasKey = g->hasKey(found, kKey);
    g->schemaUnref(found);
    if (!hasKey) return;
    GSettings* settings = g->settingsNew(schema);
    m_settings = settings;
    const std::string signal = std::string("changed::") + kKey;
    m_handler = g->connect(settings, signal.c_str(), G_CALLBACK(&DoNotDisturbSetting::onChanged), this, nullptr,
                           GConnectFlags(0));
    // GSettings only tells of changes to keys that have been read.
    g->getBoolean(settings, kKey);
}

DoNotDisturbSetting::~DoNotDisturbSetting() {
    if (!m_settings) return;
    gio()->disconnect(m_settings, m_handler);
    gio()->unref(m_settings);
}

bool DoNotDisturbSetting::on() const {
    return m_settings && !gio()->getBoolean(static_cast<GSettings*>(m_settings), kKey);
}

void DoNotDisturbSetting::onChanged(void* /*settings*/, const char* /*key*/, void* self) {
    auto* me = static_cast<DoNotDisturbSetting*>(self);
    if (me->m_changed) me->m_changed(me->on());
}

}  // namespace vantro::gui
