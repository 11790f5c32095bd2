// SPDX-License-Identifier: MIT
// The image names the screens use, mapped to our own SVG icons, rendered sharp at any scale.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QPainter;

#include <string>

namespace vantro::gui {

/// The one place that maps an image name ("sports_step.png") to its icon resource.
class Icons {
public:
    /// ":/icons/sports_step.svg" for "sports_step.png"; empty for an unknown name.
    static QString resourceFor(const std::string& imageName);
    /// Every image name the screens use, for tests and the icon sheet.
    static const std::vector<std::string>& imageNames();
    /// The icon at `size` logical pixels for a device pixel ratio; a null pixmap for an unknown name.
    static QPixmap pixmap(const std::string& imageName, int size, qreal dpr);
    /// A tab icon ("today", "history", "sleep", "settings") tinted with `colour`.
    static QPixmap tabPixmap(const QString& tab, const QColor& colour, int size, qreal dpr);
    /// The app's own icon (for a desktop whose icon theme has none), from pixels rendered when it was built.
    static QIcon appIcon();
    /// The pixel ratio to render icons at for a painter: at least 2, so pictures scaled up stay sharp.
    static qreal renderScale(const QPainter& p);
};

}  // namespace vantro::gui
