// SPDX-License-Identifier: MIT
#include "platform/localizer.h"

#include <gtest/gtest.h>

using namespace vantro;

TEST(Localizer, MissingKeyShowsItself) {
    GettextLocalizer en("en");
    EXPECT_EQ(en.localizedString("NoSuchKeyAnywhere"), "NoSuchKeyAnywhere");
    EXPECT_EQ(en.localizedString(""), "");
}

TEST(Localizer, LanguageWithoutCatalogFallsBackToEnglish) {
    GettextLocalizer fr("fr_FR");
    EXPECT_EQ(fr.language(), "en");
    EXPECT_EQ(fr.localizedString("Syncing"), "Syncing…");
    GettextLocalizer zh("zh");
    EXPECT_EQ(zh.language(), "zh_CN");
}
