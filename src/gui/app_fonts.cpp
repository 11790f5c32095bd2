// SPDX-License-Identifier: MIT
// The app's fonts: DejaVu Sans for Latin text, WenQuanYi Micro Hei for Chinese, so every run looks the same.
#include "gui/app_fonts.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QSet>

#include <optional>

#include <fontconfig/fontconfig.h>

namespace vantro::gui {
namespace {

struct FontFile {
    const char* family;
    const char* path;  // under the pinned directory
    bool chart;        // only the charts draw it: added when one is first drawn
};

// The exact files of Debian's packages, so pictures match across machines that have them.
constexpr FontFile kFiles[] = {
    {"DejaVu Sans", "dejavu/DejaVuSans.ttf", false},
    {"DejaVu Sans", "dejavu/DejaVuSans-Bold.ttf", false},
    {"WenQuanYi Micro Hei", "wqy/wqy-microhei.ttc", false},
    // The chart's large value is a condensed face (fonts-dejavu-extra).
    {"DejaVu Sans Condensed", "dejavu/DejaVuSansCondensed.ttf", true},
    {"DejaVu Sans Condensed", "dejavu/DejaVuSansCondensed-Bold.ttf", true},
};

/// The files fontconfig already serves (all of them wherever the Debian font packages are installed).
/// Registering one again would read its character map once more, the costliest step of a start: the
/// Chinese face alone covers some 20,000 characters. One pass over fontconfig's fonts answers for all.
QSet<QString> servedByFontconfig() {
    QSet<QString> files;
    FcFontSet* fonts = FcConfigGetFonts(nullptr, FcSetSystem);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
            files.insert(QFile::decodeName(reinterpret_cast<const char*>(file)));
    }
    return files;
}

QStringList& added() {
    static QStringList files;
    return files;
}

QString& lastPinnedDir() {
    static QString dir;
    return dir;
}

/// Adds the pinned files of the text faces, or of the chart faces, that fontconfig does not serve.
void addPinned(const QString& pinnedDir, bool chart) {
    std::optional<QSet<QString>> served;  // asked only when a pinned file is there
    for (const auto& f : kFiles) {
        const QString path = pinnedDir + '/' + QLatin1String(f.path);
        if (f.chart != chart || added().contains(path) || !QFile::exists(path)) continue;
        if (!served) served = servedByFontconfig();
        if (served->contains(path)) continue;
        if (QFontDatabase::addApplicationFont(path) >= 0) added() << path;
    }
}

}  // namespace

QStringList AppFonts::families() {
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")};
}

QStringList AppFonts::addedFiles() {
    return added();
}

QStringList AppFonts::install(const QString& pinnedDir) {
    lastPinnedDir() = pinnedDir;
    addPinned(pinnedDir, false);
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

void AppFonts::installChartFaces() {
    static QString done;
    if (lastPinnedDir().isEmpty() || done == lastPinnedDir()) return;
    done = lastPinnedDir();
    addPinned(done, true);
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
