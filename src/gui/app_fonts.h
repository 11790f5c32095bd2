// SPDX-License-Identifier: MIT
// Pinned fonts: DejaVu Sans for Latin text, WenQuanYi Micro Hei for Chinese, so every run looks the same.
#pragma once

#include <QFont>
#include <QStringList>

namespace vantro::gui {

/// Loads the pinned font files and makes them the application font.
class AppFonts {
public:
    /// Adds the font files from /usr/share/fonts and sets the application font; returns the families
    /// that could not be loaded (empty when all are there).
    static QStringList install();
    /// A font of the pinned families at `pixelSize`; bold maps "Bold" faces such as HelveticaNeue-Bold.
    static QFont font(double pixelSize, bool bold = false);
    /// The nearest pinned face for a font name from the drawing code ("HelveticaNeue-CondensedBold" → bold).
    static QFont fontForName(const std::string& name, double pixelSize);
    static QStringList families();
};

}  // namespace vantro::gui
