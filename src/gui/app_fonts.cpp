// SPDX-License-Identifier: MIT
// The app's fonts: DejaVu Sans for Latin text, WenQuanYi Micro Hei for Chinese, so every run looks the same.
#include "gui/app_fonts.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

#include <fontconfig/fontconfig.h>

namespace vantro::gui {
namespace {

struct FontFile {
    const char* family;
    const char* path;  // under the pinned directory
};

// The exact files of Debian's packages, so pictures match across machines that have them.
constexpr FontFile kFiles[] = {
    {"DejaVu Sans", "dejavu/DejaVuSans.ttf"},
    {"DejaVu Sans", "dejavu/DejaVuSans-Bold.ttf"},
    {"WenQuanYi Micro Hei", "wqy/wqy-microhei.ttc"},
    // The chart's large value is a condensed face (fonts-dejavu-extra).
    {"DejaVu Sans Condensed", "dejavu/DejaVuSansCondensed.ttf"},
    {"DejaVu Sans Condensed", "dejavu/DejaVuSansCondensed-Bold.ttf"},
};

/// Whether fontconfig already serves this very file (it does wherever the Debian font packages are
/// installed). Registering it again would read its character map once more, the costliest step of a
/// start: the Chinese face alone covers some 20,000 characters.
bool servedByFontconfig(const QString& path) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    const QByteArray file = QFile::encodeName(path);
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(file.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, static_cast<char*>(nullptr));
    FcFontSet* found = objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    const bool served = found && found->nfont > 0;
    if (found) FcFontSetDestroy(found);
    if (objects) FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return served;
}

QStringList& added() {
    static QStringList files;
    return files;
}

}  // namespace

QStringList AppFonts::families() {
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")};
}

QStringList AppFonts::addedFiles() {
    return added();
}

QStringList AppFonts::install(const QString& pinnedDir) {
    for (const auto& f : kFiles) {
        const QString path = pinnedDir + '/' + QLatin1String(f.path);
        if (added().contains(path) || !QFile::exists(path) || servedByFontconfig(path)) continue;
        if (QFontDatabase::addApplicationFont(path) >= 0) added() << path;
    }
    // Elsewhere fontconfig knows the same families under other paths; the condensed face is only
    // a nicety (the plain face stands in), so only the families the texts need are reported.
    QStringList missing;
    const QStringList known = QFontDatabase::families();
    for (const QString& family : families()) {
        if (!known.contains(family)) missing << family;
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
