// SPDX-License-Identifier: MIT
// The 2-D drawing port: paths, clipping, fills, gradients, text with a shadow.
#pragma once

#include "platform/geometry.h"
#include "platform/path.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

/// A font by the name the screens ask for ("HelveticaNeue-Light") and a size in points.
/// The name is kept as asked; a canvas maps it to a face it has (see nearestFace).
struct Font {
    std::string name;
    double size = 0;
    bool operator==(const Font&) const = default;
};

/// Name of the platform's plain UI face; maps like any other regular name.
inline constexpr std::string_view kSystemFontName = "System";

/// The face a canvas draws for a font name it may not have.
struct FontFace {
    std::string family;
    int weight = 400;  // 300 light, 400 regular, 700 bold
    double size = 0;
    bool operator==(const FontFace&) const = default;
};

/// Nearest available face of the same weight and size. The GUI ships DejaVu Sans, so:
/// a name containing "Condensed" maps to "DejaVu Sans Condensed", anything else to "DejaVu Sans";
/// "Bold" or "Heavy" in the name gives weight 700, "Light", "Thin" or "UltraLight" gives 300,
/// otherwise 400. The size is unchanged. Example: "HelveticaNeue-CondensedBold" 100 →
/// {"DejaVu Sans Condensed", 700, 100}.
FontFace nearestFace(const Font& font);

struct Shadow {
    Size offset;
    double blur = 0;
    Color color;
    bool operator==(const Shadow&) const = default;
};

struct GradientStop {
    double location = 0;
    Color color;
    bool operator==(const GradientStop&) const = default;
};

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

/// Port: measures text in a font. Layout needs it before anything is drawn.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    /// The size of one line of text.
    virtual Size measureText(std::string_view text, const Font& font) const = 0;
    /// How far the baseline lies below the top of a line; absent where the face is not known.
    virtual std::optional<double> ascent(const Font&) const { return std::nullopt; }
};

/// A deterministic rule for tests and headless layout: width = 0.6 × size × characters (UTF-8
/// code points), height = 1.2 × size.
class FixedTextMetrics : public TextMeasurer {
public:
    Size measureText(std::string_view text, const Font& font) const override;
};

/// Number of UTF-8 code points (continuation bytes are not counted).
std::size_t utf8Length(std::string_view text);

/// Port: a drawing context in a y-down space. State (transform, clip, alpha, shadow) is saved and
/// restored as a stack; an unbalanced restore is ignored.
class Canvas : public TextMeasurer {
public:
    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(double dx, double dy) = 0;
    virtual void scale(double sx, double sy) = 0;
    virtual void rotate(double radians) = 0;
    /// Multiplies into everything drawn until the state is restored.
    virtual void setAlpha(double alpha) = 0;
    /// Intersects the clip with the path, non-zero winding.
    virtual void clip(const Path& path) = 0;
    virtual void clipToRect(const Rect& rect) = 0;
    virtual void fillPath(const Path& path, const Color& color) = 0;
    virtual void fillRect(const Rect& rect, const Color& color) = 0;
    /// Fills the current clip with a linear gradient from `start` (location 0) to `end` (location 1),
    /// extended past both ends.
    virtual void drawLinearGradient(Point start, Point end, const std::vector<GradientStop>& stops) = 0;
    /// The shadow of everything drawn next, until the state is restored; absent removes it.
    virtual void setShadow(const std::optional<Shadow>& shadow) = 0;
    /// One line of text inside `rect`, aligned horizontally, from the top of the rectangle.
    virtual void drawText(std::string_view text, const Rect& rect, const Font& font, const Color& color,
                          TextAlignment alignment) = 0;
};

}  // namespace vantro
