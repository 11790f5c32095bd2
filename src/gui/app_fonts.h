// SPDX-License-Identifier: MIT
// The app's fonts: DejaVu Sans for Latin text, WenQuanYi Micro Hei for Chinese, so every run looks the same.
#pragma once

#include <QFont>
#include <QStringList>

namespace vantro::gui {

/// Finds the app's font families and makes them the application font.
class AppFonts {
public:
    /// Families come from the system's fonts (fontconfig) by name; the Debian font files under
    /// `pinnedDir` are preferred when present. Sets the application font and returns the families
    /// found neither way (empty when all are there).
    /// A pinned file that fontconfig already serves (the installed Debian packages) is not added again,
    /// and none is added twice. Only the faces of the texts are added here, which every screen draws;
    /// the charts' condensed face waits for installChartFaces.
    static QStringList install(const QString& pinnedDir = QStringLiteral("/usr/share/fonts/truetype"));
    /// Adds the charts' faces from the directory install() was given, once; the drawing code calls it
    /// before it first asks for one, so a start that shows no chart never reads them.
    static void installChartFaces();
    /// The pinned files added to the application's fonts so far.
    static QStringList addedFiles();
    /// A font of the pinned families at `pixelSize`; bold maps "Bold" faces such as HelveticaNeue-Bold.
    static QFont font(double pixelSize, bool bold = false);
    /// The nearest pinned face for a font name from the drawing code ("HelveticaNeue-CondensedBold" → bold).
    static QFont fontForName(const std::string& name, double pixelSize);
    static QStringList families();
};

}  // namespace vantro::gui
