// SPDX-License-Identifier: MIT
// Small phone-style controls for the property pages: an on/off switch, a segmented control, a time picker.
#include "gui/controls.h"

#include "gui/app_fonts.h"
#include "gui/theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSpinBox>
#include <QToolButton>

#include <utility>

namespace vantro::gui {
namespace {
const QColor kSwitchOn{76, 217, 100};
const QColor kSwitchOff{229, 229, 234};

/// Shows 7 as "07", as a clock does.
class TwoDigitSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QString textFromValue(int value) const override { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }
};
}  // namespace

SwitchControl::SwitchControl(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
    connect(this, &QAbstractButton::toggled, this, qOverload<>(&QWidget::update));
}

void SwitchControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The track keeps a switch's usual size; the rest of the target is room for the ring.
    const QRectF track(QRectF(rect()).center() - QPointF(25, 15), QSizeF(50, 30));
    const double r = track.height() / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? kSwitchOn : kSwitchOff);
    p.drawRoundedRect(track, r, r);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QRectF(x, track.top() + 3, knob, knob));  // soft shadow
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        p.setPen(QPen(colours::kTint, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(track.adjusted(-3, -3, 3, 3), r + 3, r + 3);
    }
}

namespace {
constexpr int kTarget = 44;   // the smallest finger target, in logical pixels
constexpr int kRingRoom = 4;  // between the target's edge and the drawn control, where the ring goes
constexpr double kLineGap = 4;
}  // namespace

SegmentedControl::SegmentedControl(const std::vector<QString>& segments, QWidget* parent)
    : QWidget(parent), m_segments(segments), m_ring(colours::kTint) {
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(kTarget);
    setFocusPolicy(Qt::StrongFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void SegmentedControl::setDrawnHeight(int height) {
    m_drawnHeight = height;
    update();
}

void SegmentedControl::setRingColour(const QColor& colour) {
    m_ring = colour;
    update();
}

int SegmentedControl::perLine(int width) const {
    const int n = std::max(1, count());
    if (width / n >= kTarget) return n;
    // As many finger-wide segments as the line holds, spread evenly over the lines they need.
    const int most = std::max(1, width / kTarget);
    const int lines = (n + most - 1) / most;
    return (n + lines - 1) / lines;
}

int SegmentedControl::lineCountFor(int width) const {
    const int per = perLine(width);
    return (std::max(1, count()) + per - 1) / per;
}

int SegmentedControl::heightForWidth(int width) const {
    return kTarget * lineCountFor(width);
}

void SegmentedControl::resizeEvent(QResizeEvent*) {
    // Narrower means more lines: the control asks for the height they need.
    const int need = heightForWidth(width());
    if (minimumHeight() != need) setMinimumHeight(need);
}

QRectF SegmentedControl::drawnRect() const {
    QRectF r = QRectF(rect()).adjusted(kRingRoom, kRingRoom, -kRingRoom, -kRingRoom);
    if (m_drawnHeight > 0 && m_drawnHeight < r.height())
        r = QRectF(r.left(), r.center().y() - m_drawnHeight / 2.0, r.width(), m_drawnHeight);
    return r;
}

QRect SegmentedControl::segmentRect(int index) const {
    if (index < 0 || index >= count()) return {};
    const int per = perLine(width());
    const int lines = lineCountFor(width());
    const double w = double(width()) / per, h = double(height()) / lines;
    const int col = index % per, line = index / per;
    return QRectF(col * w, line * h, w, h).toAlignedRect().intersected(rect());
}

QRectF SegmentedControl::drawnSegmentRect(int index) const {
    if (index < 0 || index >= count()) return {};
    const QRectF d = drawnRect();
    const int per = perLine(width());
    const int lines = lineCountFor(width());
    const double w = d.width() / per, h = (d.height() - kLineGap * (lines - 1)) / lines;
    const int col = index % per, line = index / per;
    return QRectF(d.left() + col * w, d.top() + line * (h + kLineGap), w, h);
}

double SegmentedControl::labelPointSize() const {
    // Labels shrink to fit their segment, so thirteen segments still read on a phone.
    const double w = drawnSegmentRect(0).width() - 1.0;
    double size = 13;
    const QFontMetricsF probe(AppFonts::font(size));
    for (const auto& s : m_segments) {
        const double need = probe.horizontalAdvance(s) + 6;
        if (need > w) size = std::min(size, std::max(8.0, 13 * w / need));
    }
    return size;
}

QStringList SegmentedControl::cutLabels() const {
    QStringList cut;
    const QFontMetricsF fm(AppFonts::font(labelPointSize()));
    const double w = drawnSegmentRect(0).width() - 1.0;
    for (const auto& s : m_segments)
        if (fm.horizontalAdvance(s) > w) cut << s;
    return cut;
}

std::vector<AccessibleItem> SegmentedControl::accessibleItems() const {
    std::vector<AccessibleItem> items;
    for (int i = 0; i < count(); ++i) {
        AccessibleItem item;
        item.name = m_segments[static_cast<size_t>(i)];
        item.rect = segmentRect(i);
        item.role = QAccessible::RadioButton;
        item.checkable = true;
        item.checked = item.selected = i == m_selected;
        items.push_back(std::move(item));
    }
    return items;
}

void SegmentedControl::keyPressEvent(QKeyEvent* e) {
    const auto to = itemForKey(e->key(), m_selected, count(), true);
    if (!to) {
        QWidget::keyPressEvent(e);
        return;
    }
    setSelectedIndex(*to);
    announceFocusItem(this, m_selected);
}

void SegmentedControl::focusInEvent(QFocusEvent* e) {
    announceFocusItem(this, m_selected);
    update();
    QWidget::focusInEvent(e);
}

void SegmentedControl::focusOutEvent(QFocusEvent* e) {
    update();
    QWidget::focusOutEvent(e);
}

QSize SegmentedControl::sizeHint() const {
    const QFontMetricsF fm(AppFonts::font(13));
    double widest = 0;
    for (const auto& s : m_segments) widest = std::max(widest, fm.horizontalAdvance(s));
    const double each = std::max<double>(kTarget, widest + 16);
    return QSize(static_cast<int>(each * std::max(1, count())) + 2 * kRingRoom, kTarget);
}

QSize SegmentedControl::minimumSizeHint() const {
    return QSize(kTarget, kTarget);
}

void SegmentedControl::setSelectedIndex(int index) {
    if (index < 0 || index >= count() || index == m_selected) return;
    m_selected = index;
    update();
    emit selectedChanged(index);
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int per = perLine(width());
    const int lines = lineCountFor(width());
    p.setFont(AppFonts::font(labelPointSize()));
    for (int line = 0; line < lines; ++line) {
        const int first = line * per;
        const int last = std::min(count(), first + per) - 1;
        const QRectF outer = drawnSegmentRect(first).united(drawnSegmentRect(last)).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath clip;
        clip.addRoundedRect(outer, 5, 5);
        p.setClipPath(clip);
        p.fillRect(outer, Qt::white);
        for (int i = first; i <= last; ++i) {
            const QRectF seg = drawnSegmentRect(i);
            if (i == m_selected) p.fillRect(seg, colours::kTint);
            p.setPen(i == m_selected ? Qt::white : colours::kTint);
            p.drawText(seg, Qt::AlignCenter, m_segments[static_cast<size_t>(i)]);
            if (i > first) p.fillRect(QRectF(seg.left() - 0.5, seg.top(), 1, seg.height()), colours::kTint);
        }
        p.setClipping(false);
        p.setPen(QPen(colours::kTint, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(outer, 5, 5);
    }
    if (hasFocus()) {
        // The ring goes round the whole control, outside it, where it shows against the page (a ring on
        // the chosen segment would sit on the tint, which no ring colour stands out from enough).
        QRectF all;
        for (int i = 0; i < count(); ++i) all |= drawnSegmentRect(i);  // every line, the longest included
        p.setPen(QPen(m_ring, 2));
        p.drawRoundedRect(all.adjusted(-2.5, -2.5, 2.5, 2.5), 7, 7);
    }
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* e) {
    for (int i = 0; i < count(); ++i) {
        if (segmentRect(i).contains(e->position().toPoint())) setSelectedIndex(i);
    }
}

TimePicker::TimePicker(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const QString buttonStyle =
        QStringLiteral(
            "QToolButton { color: %1; background: white; border: 1px solid %2; border-radius: 22px; }"
            "QToolButton:pressed { background: %3; }"
            "QToolButton:focus { border: 2px solid %1; }")
            .arg(colours::kTint.name(), colours::kSeparator.name(), colours::kCellHighlight.name());
    // Made in the order they stand, so Tab goes left to right: −, hour, +, −, minute, +.
    auto stepper = [&](int top, const char* name) {
        auto* down = new QToolButton(this);
        auto* box = new TwoDigitSpinBox(this);
        auto* up = new QToolButton(this);
        box->setRange(0, top);
        box->setObjectName(QLatin1String(name));
        box->setWrapping(true);
        box->setAlignment(Qt::AlignCenter);
        box->setFont(AppFonts::font(26));
        box->setFixedSize(56, 44);
        // Steppers beside the field take the place of the small arrows, which are hard to hit.
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
        box->setStyleSheet(QStringLiteral("QSpinBox { background: white; border: 1px solid %1; border-radius: 8px; }"
                                          "QSpinBox:focus { border: 2px solid %2; }")
                               .arg(colours::kSeparator.name(), colours::kTint.name()));
        down->setObjectName(QLatin1String(name) + QStringLiteral("Down"));
        up->setObjectName(QLatin1String(name) + QStringLiteral("Up"));
        down->setText(QStringLiteral("−"));
        up->setText(QStringLiteral("+"));
        for (QToolButton* b : {down, up}) {
            b->setFixedSize(44, 44);  // a finger's target
            b->setFont(AppFonts::font(20, true));
            b->setStyleSheet(buttonStyle);
            b->setCursor(Qt::PointingHandCursor);
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::TabFocus);
        }
        connect(down, &QToolButton::clicked, box, &QSpinBox::stepDown);
        connect(up, &QToolButton::clicked, box, &QSpinBox::stepUp);
        layout->addWidget(down);
        layout->addWidget(box);
        layout->addWidget(up);
        return Field{box, down, up};
    };
    layout->addStretch();
    m_hourField = stepper(23, "hour");
    m_hour = m_hourField.box;
    auto* colon = new QLabel(QStringLiteral(":"), this);
    colon->setFont(AppFonts::font(26, true));
    layout->addSpacing(2);
    layout->addWidget(colon);
    layout->addSpacing(2);
    m_minuteField = stepper(59, "minute");
    m_minute = m_minuteField.box;
    layout->addStretch();
}

void TimePicker::setNames(const QString& caption, const TimePickerNames& names) {
    setAccessibleName(caption);
    for (const auto& [field, word] : {std::pair{m_hourField, names.hour}, std::pair{m_minuteField, names.minute}}) {
        // "Alarm, hour" says which time it is; the steppers say what they do to it.
        const QString name = caption.isEmpty() ? word : caption + names.separator + word;
        field.box->setAccessibleName(name);
        field.down->setAccessibleName(names.less.arg(name));
        field.up->setAccessibleName(names.more.arg(name));
    }
}

int TimePicker::hour() const {
    return m_hour->value();
}
int TimePicker::minute() const {
    return m_minute->value();
}

void TimePicker::setTime(int hour, int minute) {
    m_hour->setValue(std::clamp(hour, 0, 23));
    m_minute->setValue(std::clamp(minute, 0, 59));
}

}  // namespace vantro::gui
