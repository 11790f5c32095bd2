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
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
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
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), r + 1, r + 1);
    }
}

SegmentedControl::SegmentedControl(const std::vector<QString>& segments, QWidget* parent)
    : QWidget(parent), m_segments(segments) {
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(30);
    setFocusPolicy(Qt::StrongFocus);
}

double SegmentedControl::labelPointSize() const {
    // Labels shrink to fit their segment, so thirteen segments still read on a phone.
    const double w = (width() - 1.0) / std::max(1, count());
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
    const double w = (width() - 1.0) / std::max(1, count());
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
    return QSize(static_cast<int>((widest + 16) * std::max<size_t>(1, m_segments.size())), 30);
}

void SegmentedControl::setSelectedIndex(int index) {
    if (index < 0 || index >= count() || index == m_selected) return;
    m_selected = index;
    update();
    emit selectedChanged(index);
}

QRect SegmentedControl::segmentRect(int index) const {
    if (count() == 0) return {};
    const double w = (width() - 1.0) / count();
    return QRect(static_cast<int>(index * w), 0, static_cast<int>(w), height());
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double w = outer.width() / std::max(1, count());
    QPainterPath clip;
    clip.addRoundedRect(outer, 5, 5);
    p.setClipPath(clip);
    p.fillRect(outer, Qt::white);
    p.setFont(AppFonts::font(labelPointSize()));
    for (int i = 0; i < count(); ++i) {
        const QRectF seg(outer.left() + i * w, outer.top(), w, outer.height());
        if (i == m_selected) p.fillRect(seg, colours::kTint);
        p.setPen(i == m_selected ? Qt::white : colours::kTint);
        p.drawText(seg, Qt::AlignCenter, m_segments[i]);
        if (i > 0) p.fillRect(QRectF(seg.left() - 0.5, seg.top(), 1, seg.height()), colours::kTint);
    }
    p.setClipping(false);
    p.setPen(QPen(colours::kTint, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(outer, 5, 5);
    if (hasFocus() && m_selected >= 0 && m_selected < count()) {
        // The focus ring goes round the chosen segment, in a colour that shows on the tint.
        const QRectF seg(outer.left() + m_selected * w, outer.top(), w, outer.height());
        p.setPen(QPen(QColor(255, 159, 10), 2));
        p.drawRoundedRect(seg.adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
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
    layout->setSpacing(4);
    const QString buttonStyle =
        QStringLiteral(
            "QToolButton { color: %1; background: white; border: 1px solid %2; border-radius: 17px; }"
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
        box->setFixedSize(62, 44);
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
            b->setFixedSize(34, 34);
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
    layout->addSpacing(4);
    layout->addWidget(colon);
    layout->addSpacing(4);
    m_minuteField = stepper(59, "minute");
    m_minute = m_minuteField.box;
    layout->addStretch();
}

void TimePicker::setNames(const QString& caption, const TimePickerNames& names) {
    setAccessibleName(caption);
    for (const auto& [field, word] : {std::pair{m_hourField, names.hour}, std::pair{m_minuteField, names.minute}}) {
        // "Alarm, hour" says which time it is; the steppers say what they do to it.
        const QString name = caption.isEmpty() ? word : caption + QStringLiteral(", ") + word;
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
