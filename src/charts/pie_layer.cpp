// SPDX-License-Identifier: MIT
// A drawing layer that shows pie elements as a ring-shaped pie: properties, drawing, hit testing,
// inserting and deleting.
#include "charts/pie_layer.h"

#include "charts/pie_ex.h"
#include "platform/strprintf.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace vantro {
namespace {

constexpr double kPi = std::numbers::pi;

double sumOfValues(const PieValues& values) {
    double s = 0;
    for (const auto& e : values) s += e ? static_cast<double>(e->val()) : 0.0;
    return s;
}

double radians(float degrees) {
    return static_cast<double>(degrees) * kPi / 180.0;
}

// Falls from about 0.9975 to 0.0025 as t goes from −1 to 0: slides a title box round its anchor.
double anchorFraction(double t) {
    return 1.0 / (1.0 + std::pow(2.7182817, 12.0 * (t + 0.5)));
}

}  // namespace

PieLayer::PieLayer(UiContext& ui)
    : Animatable(ui.animator()),
      m_ui(ui),
      m_maxRadius(ui.idiom() == DeviceIdiom::Tablet ? 100.0f : 60.0f),
      m_font{std::string(kSystemFontName), ui.idiom() == DeviceIdiom::Tablet ? 15.0 : 10.0} {}

PieLayer::PieLayer(const PieLayer& o)
    : Animatable(o),
      m_ui(o.m_ui),
      m_values(o.m_values),
      m_maxRadius(o.m_maxRadius),
      m_minRadius(o.m_minRadius),
      m_startAngle(o.m_startAngle),
      m_endAngle(o.m_endAngle),
      m_showTitles(o.m_showTitles),
      m_transformTitleBlock(o.m_transformTitleBlock),
      m_font(o.m_font),
      m_deletingIndexes(o.m_deletingIndexes),
      m_isFakeAngleAnimation(o.m_isFakeAngleAnimation),
      m_isNotCopyForAnimation(false),
      m_animationDuration(o.m_animationDuration),
      m_bounds(o.m_bounds) {}

PieLayer::~PieLayer() {
    if (!m_isNotCopyForAnimation) return;
    for (const auto& e : m_values)
        if (e) e->removedFromLayer(this);
    if (m_pendingCall) m_ui.runLoop().cancel(m_pendingCall);
}

std::unique_ptr<PieLayer> PieLayer::presentation() const {
    std::unique_ptr<PieLayer> copy(new PieLayer(*this));
    if (hasAnimations()) applyPresentation(*copy);
    return copy;
}

void PieLayer::applyPresentation(PieLayer& copy) const {
    const auto number = [&](const char* key, float& field) {
        const AnimValue v = presentationValue(key);
        if (const double* d = std::get_if<double>(&v)) field = static_cast<float>(*d);
    };
    number("maxRadius", copy.m_maxRadius);
    number("minRadius", copy.m_minRadius);
    number("startAngle", copy.m_startAngle);
    number("endAngle", copy.m_endAngle);
    const AnimValue v = presentationValue("values");
    if (const auto* any = std::get_if<std::any>(&v)) {
        if (const auto* list = std::any_cast<PieValues>(any)) copy.m_values = *list;
    }
}

AnimValue PieLayer::modelValue(std::string_view keyPath) const {
    if (keyPath == "values") return std::any(m_values);
    if (keyPath == "maxRadius") return static_cast<double>(m_maxRadius);
    if (keyPath == "minRadius") return static_cast<double>(m_minRadius);
    if (keyPath == "startAngle") return static_cast<double>(m_startAngle);
    if (keyPath == "endAngle") return static_cast<double>(m_endAngle);
    return std::any{};
}

void PieLayer::setNeedsDisplay() {
    ++m_displayRequests;
    if (m_displayHandler) m_displayHandler();
}

void PieLayer::setValues(PieValues values) {
    m_values = std::move(values);
    setNeedsDisplay();
}

void PieLayer::setShowTitles(std::int32_t showTitles) {
    m_showTitles = showTitles;
    setNeedsDisplay();
}

void PieLayer::setTransformTitleBlock(TitleBlock block) {
    m_transformTitleBlock = std::move(block);
}

void PieLayer::setFont(Font font) {
    m_font = std::move(font);
}

void PieLayer::setBounds(const Rect& bounds) {
    m_bounds = bounds;
    setNeedsDisplay();
}

// ---- Inserting and deleting ----

void PieLayer::addValues(const PieValues& values, bool animated) {
    std::vector<int> positions;
    for (std::size_t i = 0; i < values.size(); ++i) positions.push_back(static_cast<int>(m_values.size() + i));
    insertValues(values, positions, animated);
}

void PieLayer::insertValues(const PieValues& values, const std::vector<int>& indexes, bool animated) {
    if (values.size() != indexes.size()) return;
    if (std::any_of(values.begin(), values.end(), [](const auto& e) { return !e; })) return;
    for (const auto& e : values) e->addedToPieLayer(this);
    PieValues sorted = values;
    pieEx::sortWithIndexes(sorted, indexes);
    std::vector<int> positions = indexes;
    std::sort(positions.begin(), positions.end());
    PieValues list = m_values;
    pieEx::insertSortedObjects(list, sorted, positions);

    if (animated && performDelayedAnimation()) {
        setValues(std::move(list));
        // Positions in the pending lists also count the slices still being removed.
        std::vector<int> shifted = positions;
        pieEx::updateIndexesWithUnusedIndexes(shifted, *m_pendingDeleting);
        PieValues growing;
        for (const auto& e : sorted) {
            auto c = e->copy();
            c->setVal_(0);
            c->setTitleAlpha(0);
            growing.push_back(std::move(c));
        }
        pieEx::insertSortedObjects(*m_beginState, growing, shifted);
        pieEx::insertSortedObjects(*m_endState, sorted, shifted);
        pieEx::updateIndexesWithUnusedIndexes(*m_pendingDeleting, shifted);
        return;
    }
    for (const auto& e : values) e->setTitleAlpha(1);
    removeAnimation(kValuesKey);
    // The positions marked for removal belonged to the list being replaced.
    m_deletingIndexes.reset();
    setValues(std::move(list));
}

void PieLayer::deleteValues(const PieValues& values, bool animated) {
    std::unordered_map<const PieElement*, int> deleted;
    for (const auto& e : values)
        if (e) deleted.emplace(e.get(), 0);
    for (const auto& e : m_values) {
        auto it = deleted.find(e.get());
        if (it != deleted.end()) ++it->second;
    }
    // One registration per occurrence, so an element shown twice does not keep a stale entry.
    for (const auto& e : values) {
        if (!e) continue;
        auto it = deleted.find(e.get());
        for (; it->second > 0; --it->second) e->removedFromLayer(this);
    }
    PieValues list;
    for (const auto& e : m_values)
        if (!deleted.count(e.get())) list.push_back(e);

    if (animated && performDelayedAnimation()) {
        setValues(std::move(list));
        for (std::size_t i = 0; i < m_endState->size(); ++i) {
            const auto& e = (*m_endState)[i];
            if (!deleted.count(e.get())) continue;
            auto c = e->copy();
            c->setVal_(0);
            c->setTitleAlpha(0);
            (*m_endState)[i] = std::move(c);
            m_pendingDeleting->push_back(static_cast<int>(i));
        }
        std::sort(m_pendingDeleting->begin(), m_pendingDeleting->end());
        return;
    }
    removeAnimation(kValuesKey);
    m_deletingIndexes.reset();
    setValues(std::move(list));
}

// ---- Drawing ----

bool PieLayer::drawable() const {
    return !m_values.empty() && m_minRadius < m_maxRadius && m_maxRadius > 0 && std::isfinite(m_maxRadius) &&
           std::isfinite(m_minRadius) && std::isfinite(m_startAngle) && std::isfinite(m_endAngle);
}

Path PieLayer::sliceOutline(Point c, double minRadius, double maxRadius, double a, double b) {
    // A range that runs backwards is drawn backwards instead of wrapping round the long way.
    const bool back = b < a;
    Path p;
    p.moveTo({c.x + minRadius * std::cos(a), c.y + minRadius * std::sin(a)});
    p.arc(c, minRadius, a, b, back);
    p.lineTo({c.x + maxRadius * std::cos(b), c.y + maxRadius * std::sin(b)});
    p.arc(c, maxRadius, b, a, !back);
    p.closeSubpath();
    return p;
}

void PieLayer::drawInContext(Canvas& canvas) const {
    if (!drawable()) return;
    const double sum = sumOfValues(m_values);
    if (!(sum > 0) || !std::isfinite(sum)) return;
    const double w = m_bounds.width, h = m_bounds.height;
    const Point c{w / 2, h / 2};
    const double minR = std::max(0.0f, m_minRadius);
    canvas.save();
    canvas.translate(0, h);
    canvas.scale(1, -1);  // angles now run counter-clockwise from 3 o'clock
    double a = radians(m_startAngle);
    const double range = radians(m_endAngle) - a;
    for (const auto& e : m_values) {
        const double b = a + range * e->val() / sum;
        Point centre = c;
        if (e->centrOffset() > 0) {
            const double m = (a + b) / 2;
            centre = {c.x + e->centrOffset() * std::cos(m), c.y + e->centrOffset() * std::sin(m)};
        }
        canvas.save();
        canvas.clip(sliceOutline(centre, minR, m_maxRadius, a, b));
        if (e->color()) canvas.fillRect({0, 0, w, h}, *e->color());
        canvas.restore();
        a = b;
    }
    canvas.restore();
    if (m_showTitles != 0) drawValuesText(canvas);
}

Rect PieLayer::titleRect(Point centre, double theta, double radius, Size text) {
    if (!std::isfinite(theta) || !std::isfinite(radius)) return {NAN, NAN, 0, 0};
    theta = std::fmod(theta + kPi / 4, 2 * kPi);
    if (theta < 0) theta += 2 * kPi;
    theta -= kPi / 4;  // now in [−π/4, 7π/4)
    double kx = 0, ky = 0;
    if (theta < kPi / 4) {
        ky = anchorFraction((kPi / 4 - theta) / (-kPi / 2));
    } else if (theta < 3 * kPi / 4) {
        kx = anchorFraction((theta - kPi / 4) / (-kPi / 2));
    } else if (theta < 5 * kPi / 4) {
        kx = 1;
        ky = anchorFraction((theta - 3 * kPi / 4) / (-kPi / 2));
    } else {
        kx = anchorFraction((7 * kPi / 4 - theta) / (-kPi / 2));
        ky = 1;
    }
    return {centre.x + radius * std::cos(theta) - kx * text.width,
            centre.y + radius * std::sin(theta) - ky * text.height, text.width, text.height};
}

std::string PieLayer::titleText(const PieElement& e) const {
    return m_transformTitleBlock ? m_transformTitleBlock(e) : strprintf("%.2f", static_cast<double>(e.val()));
}

namespace {

// Whether a title box (y down) reaches into a slice outline (y up, in a layer `height` high). Both
// edges are walked a point at a time, so a corner of either reaching into the other is found; a box
// that only touches the ring, as a title of a pulled-out slice does, is clear.
bool touchesSlice(const Rect& box, const Path& slice, Point centre, double minR, double maxR, double a, double b,
                  double height) {
    const Rect r{box.x + 0.5, height - box.maxY() + 0.5, box.width - 1, box.height - 1};
    const auto inBox = [&r](Point p) {
        return p.x >= r.minX() && p.x <= r.maxX() && p.y >= r.minY() && p.y <= r.maxY();
    };
    for (double t = 0; t <= r.width; t += 1)
        if (slice.contains({r.x + t, r.y}) || slice.contains({r.x + t, r.maxY()})) return true;
    for (double t = 0; t <= r.height; t += 1)
        if (slice.contains({r.x, r.y + t}) || slice.contains({r.maxX(), r.y + t})) return true;
    const int arcSteps = std::max(2, static_cast<int>(std::abs(b - a) * maxR));
    for (int i = 0; i <= arcSteps; ++i) {
        const double t = a + (b - a) * i / arcSteps;
        for (const double radius : {minR, maxR})
            if (inBox({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)})) return true;
    }
    for (double radius = minR; radius <= maxR; radius += 1)
        for (const double t : {a, b})
            if (inBox({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)})) return true;
    return false;
}

bool overlaps(const Rect& p, const Rect& q) {
    return p.minX() < q.maxX() && q.minX() < p.maxX() && p.minY() < q.maxY() && q.minY() < p.maxY();
}

}  // namespace

std::vector<std::optional<Rect>> PieLayer::titleRects(const TextMeasurer& text) const {
    std::vector<std::optional<Rect>> out(m_values.size());
    if (!drawable() || m_showTitles == 0) return out;
    const double sum = sumOfValues(m_values);
    if (!(sum > 0) || !std::isfinite(sum)) return out;
    const double h = m_bounds.height;
    const Point c{m_bounds.width / 2, h / 2};
    const double minR = std::max(0.0f, m_minRadius);
    struct Slice {
        Path outline;
        Point centre;
        double a, b;
    };
    std::vector<Slice> slices;
    double a = radians(m_startAngle);
    const double range = radians(m_endAngle) - a;
    for (const auto& e : m_values) {
        const double b = a + range * e->val() / sum;
        Point centre = c;
        if (e->centrOffset() > 0)
            centre = {c.x + e->centrOffset() * std::cos((a + b) / 2), c.y + e->centrOffset() * std::sin((a + b) / 2)};
        slices.push_back({sliceOutline(centre, minR, m_maxRadius, a, b), centre, a, b});
        a = b;
    }
    double reach = m_maxRadius;
    for (const auto& e : m_values) reach = std::max(reach, static_cast<double>(m_maxRadius + e->centrOffset()));
    // A box wholly beyond the outermost slice edge cannot touch a slice; most titles end there at once.
    const auto beyondSlices = [&](const Rect& box) {
        const double dx = std::max({box.minX() - c.x, 0.0, c.x - box.maxX()});
        const double dy = std::max({box.minY() - c.y, 0.0, c.y - box.maxY()});
        return std::hypot(dx, dy) > reach;
    };
    std::vector<Rect> placed;
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const PieElement& e = *m_values[i];
        if (!((e.showTitle() || m_showTitles == 2) && e.titleAlpha() > 0.01f)) continue;
        const Size size = text.measureText(titleText(e), m_font);
        const double theta = -(slices[i].a + slices[i].b) / 2;
        const double radius = m_maxRadius + e.centrOffset();
        Rect r = titleRect(c, theta, radius, size);
        if (!r.isFinite()) continue;
        const auto clear = [&](const Rect& box) {
            for (const Rect& other : placed)
                if (overlaps(box, other)) return false;
            if (beyondSlices(box)) return true;
            for (const Slice& s : slices)
                if (s.a != s.b && touchesSlice(box, s.outline, s.centre, minR, m_maxRadius, s.a, s.b, h)) return false;
            return true;
        };
        // Out along the title's own direction, two points at a time, until nothing is covered.
        for (double push = 2; !clear(r) && push <= 4 * m_maxRadius + 400; push += 2)
            r = titleRect(c, theta, radius + push, size);
        placed.push_back(r);
        out[i] = r;
    }
    return out;
}

void PieLayer::drawValuesText(Canvas& canvas) const {
    const auto rects = titleRects(canvas);
    canvas.save();
    canvas.setShadow(Shadow{{0, 1}, 3, Color::black()});
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        if (!rects[i]) continue;
        const PieElement& e = *m_values[i];
        const Color color = e.color().value_or(Color::black()).withAlpha(e.titleAlpha());
        canvas.drawText(titleText(e), *rects[i], m_font, color, TextAlignment::Left);
    }
    canvas.restore();
}

std::vector<std::pair<double, double>> PieLayer::sliceAnglesInDegrees() const {
    std::vector<std::pair<double, double>> out;
    const double sum = sumOfValues(m_values);
    if (!drawable() || !(sum > 0) || !std::isfinite(sum)) return out;
    double a = m_startAngle;
    const double range = static_cast<double>(m_endAngle) - a;
    for (const auto& e : m_values) {
        const double b = a + range * e->val() / sum;
        out.emplace_back(a, b);
        a = b;
    }
    return out;
}

// ---- Hit testing ----

std::shared_ptr<PieElement> PieLayer::pieElemInPoint(Point point) const {
    if (!drawable()) return nullptr;
    const double sum = sumOfValues(m_values);
    if (!(sum > 0) || !std::isfinite(sum)) return nullptr;
    const Point q{point.x, m_bounds.height - point.y};
    std::unique_ptr<PieLayer> shown;
    if (hasAnimations()) shown = presentation();
    const PieLayer& g = shown ? *shown : *this;
    if (!g.drawable()) return nullptr;
    const Point c{m_bounds.width / 2, m_bounds.height / 2};
    const double minR = std::max(0.0f, g.m_minRadius);
    double a = radians(g.m_startAngle);
    const double range = radians(g.m_endAngle) - a;
    std::size_t j = 0;
    for (std::size_t k = 0; k < g.m_values.size(); ++k) {
        const auto& d = g.m_deletingIndexes;
        if (d && std::find(d->begin(), d->end(), static_cast<int>(k)) != d->end()) continue;
        const auto& e = g.m_values[k];
        const double b = a + range * e->val() / sum;
        Point centre = c;
        if (e->centrOffset() > 0) {
            const double m = (a + b) / 2;
            centre = {c.x + e->centrOffset() * std::cos(m), c.y + e->centrOffset() * std::sin(m)};
        }
        if (sliceOutline(centre, minR, g.m_maxRadius, a, b).contains(q)) {
            // The shown list and the stored one line up once the slices being removed are skipped.
            return j < m_values.size() ? m_values[j] : nullptr;
        }
        ++j;
        a = b;
    }
    return nullptr;
}

}  // namespace vantro
