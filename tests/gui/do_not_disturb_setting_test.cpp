// SPDX-License-Identifier: MIT
// The desktop's do-not-disturb through GSettings (run with the memory backend and the desktop's schemas).
#include "gui/do_not_disturb_setting.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

using vantro::gui::DoNotDisturbSetting;

TEST(DoNotDisturbSetting, WithoutTheSchemaItIsNeverOn) {
    DoNotDisturbSetting none({}, "org.vantro.NoSuchSchema");
    EXPECT_FALSE(none.available());
    EXPECT_FALSE(none.on());
}

TEST(DoNotDisturbSetting, BannersOffIsDoNotDisturbAndEveryChangeIsTold) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, DoNotDisturbSetting::kSchema, TRUE) : nullptr;
    if (!schema) GTEST_SKIP() << "the desktop's schemas are not installed (scripts/setup installs them)";
    g_settings_schema_unref(schema);

    std::vector<bool> told;
    DoNotDisturbSetting setting([&](bool on) { told.push_back(on); });
    ASSERT_TRUE(setting.available());
    EXPECT_FALSE(setting.on());  // banners are on by default

    // The phone's quick setting, as another GSettings user.
    GSettings* desktop = g_settings_new(DoNotDisturbSetting::kSchema);
    const auto settle = [] {
        for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
        }
    };
    g_settings_set_boolean(desktop, DoNotDisturbSetting::kKey, FALSE);
    settle();
    EXPECT_TRUE(setting.on());
    g_settings_set_boolean(desktop, DoNotDisturbSetting::kKey, TRUE);
    settle();
    EXPECT_FALSE(setting.on());
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    g_object_unref(desktop);
}
