// SPDX-License-Identifier: MIT
// Pinned fonts: DejaVu Sans for Latin text, WenQuanYi Micro Hei for Chinese, so every run looks the same.
#include "gui/app_fonts.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

namespace vantro::gui {
namespace {

struct FontFile {
    const char* family;
    const char* path;
};

constexpr FontFile kFiles[] = {
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"},
    {"WenQuanYi Micro Hei", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"},
};

}  // namespace

QStringList AppFonts::families() {
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")};
}

QStringList AppFonts::install() {
    QStringList missing;
    for (const auto& f : kFiles) {
        const QString path = QString::fromLatin1(f.path);
        if (!QFile::exists(path) || QFontDatabase::addApplicationFont(path) < 0) {
            if (!missing.contains(QLatin1String(f.family))) missing << QString::fromLatin1(f.family);
        }
    }
    QApplication::setFont(font(15));
    return missing;
}

QFont AppFonts::font(double pixelSize, bool bold) {
    QFont f;
    f.setFamilies(families());
    f.setPixelSize(std::max(1, static_cast<int>(pixelSize + 0.5)));
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QFont AppFonts::fontForName(const std::string& name, double pixelSize) {
    // Only two weights are pinned; everything heavier than regular becomes bold.
    const bool bold = name.find("Bold") != std::string::npos || name.find("Heavy") != std::string::npos ||
                      name.find("Black") != std::string::npos || name.find("Medium") != std::string::npos;
    return font(pixelSize, bold);
}

}  // namespace vantro::gui
