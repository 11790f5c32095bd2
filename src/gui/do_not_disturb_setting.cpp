// SPDX-License-Identifier: MIT
// The desktop's do-not-disturb switch, read through GSettings where its schema is installed.
#include "gui/do_not_disturb_setting.h"

#include <gio/gio.h>

namespace vantro::gui {

DoNotDisturbSetting::DoNotDisturbSetting(std::function<void(bool on)> changed, const char* schema)
    : m_changed(std::move(changed)) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    // Without the schema g_settings_new would abort the process: look it up first.
    GSettingsSchema* found = source ? g_settings_schema_source_lookup(source, schema, TRUE) : nullptr;
    if (!found) return;
    const bool hasKey = g_settings_schema_has_key(found, kKey);
    g_settings_schema_unref(found);
    if (!hasKey) return;
    GSettings* settings = g_settings_new(schema);
    m_settings = settings;
    const std::string signal = std::string("changed::") + kKey;
    m_handler = g_signal_connect(settings, signal.c_str(), G_CALLBACK(&DoNotDisturbSetting::onChanged), this);
    // GSettings only tells of changes to keys that have been read.
    g_settings_get_boolean(settings, kKey);
}

DoNotDisturbSetting::~DoNotDisturbSetting() {
    if (!m_settings) return;
    g_signal_handler_disconnect(m_settings, m_handler);
    g_object_unref(m_settings);
}

bool DoNotDisturbSetting::on() const {
    return m_settings && !g_settings_get_boolean(static_cast<GSettings*>(m_settings), kKey);
}

void DoNotDisturbSetting::onChanged(void* /*settings*/, const char* /*key*/, void* self) {
    auto* me = static_cast<DoNotDisturbSetting*>(self);
    if (me->m_changed) me->m_changed(me->on());
}

}  // namespace vantro::gui
