// SPDX-License-Identifier: MIT
// A property page on screen: the form, list or wristband picker of one page model, with "Cancel" and "OK".
#include "gui/property_page.h"

#include "gui/app_fonts.h"
#include "gui/controls.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/navigation_bar.h"
#include "gui/table_view.h"
#include "gui/theme.h"
#include "settings/properties_view_controller.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vantro::gui {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

constexpr int kRefreshBarHeight = 48;

QWidget* whiteRow(QWidget* parent, int minHeight) {
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("formRow"));
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(
        QStringLiteral("#formRow { background: white; border-bottom: 1px solid %1; }").arg(colours::kSeparator.name()));
    row->setMinimumHeight(minHeight);
    return row;
}

QLabel* makeLabel(const FormControl& c, QWidget* parent, double size = 16) {
    auto* label = new QLabel(q(c.text), parent);
    label->setFont(AppFonts::font(size));
    label->setWordWrap(true);
    label->setAlignment((c.alignment == LabelAlignment::Right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return label;
}

/// One line of a form: a control with its caption, or a caption alone; a unit may follow a wide control.
struct FormRow {
    const FormControl* label = nullptr;
    const FormControl* control = nullptr;
    const FormControl* suffix = nullptr;
    double top = 0;
    double x = 0;
};

double centreY(const ControlFrame& f) {
    return f.y + f.height / 2;
}
bool overlapsVertically(const ControlFrame& a, const ControlFrame& b) {
    return a.y < b.y + b.height && b.y < a.y + a.height;
}

/// Pairs every control with its caption by where the page puts them: a field or switch with the label
/// level with it on its left; a wide control with the label beside it or else the nearest one above.
/// The frames themselves overlap on a phone, so the form is laid out as rows instead.
std::vector<FormRow> arrangeRows(const std::vector<const FormControl*>& controls, DeviceIdiom idiom) {
    std::vector<const FormControl*> labels;
    for (const FormControl* c : controls) {
        if (c->kind == ControlKind::Label) labels.push_back(c);
    }
    std::vector<bool> used(labels.size(), false);
    std::vector<FormRow> rows;
    for (const FormControl* c : controls) {
        if (c->kind == ControlKind::Label) continue;
        const ControlFrame& cf = c->frame(idiom);
        const bool wide = c->kind == ControlKind::Segmented || c->kind == ControlKind::TimePicker;
        int best = -1;
        double bestScore = 1e18;
        for (size_t i = 0; i < labels.size(); ++i) {
            if (used[i]) continue;
            const ControlFrame& lf = labels[i]->frame(idiom);
            if (lf.x >= cf.x + std::max(1.0, cf.width) && lf.x > cf.x) continue;  // captions sit left or above
            double score = 1e18;
            if (!wide) {
                if (lf.x < cf.x) score = std::abs(centreY(lf) - centreY(cf));
            } else if (overlapsVertically(lf, cf) && lf.x < cf.x) {
                score = std::abs(centreY(lf) - centreY(cf));
            } else if (lf.y <= cf.y) {
                score = 1000 + (cf.y - lf.y) + std::abs(lf.x - cf.x) * 0.01;
            }
            if (score < bestScore) {
                bestScore = score;
                best = static_cast<int>(i);
            }
        }
        FormRow row;
        row.control = c;
        row.top = cf.y;
        row.x = cf.x;
        if (best >= 0) {
            used[static_cast<size_t>(best)] = true;
            row.label = labels[static_cast<size_t>(best)];
            row.top = std::min(row.top, row.label->frame(idiom).y);
            row.x = std::min(row.x, row.label->frame(idiom).x);
        }
        rows.push_back(row);
    }
    for (size_t i = 0; i < labels.size(); ++i) {
        if (used[i]) continue;
        const ControlFrame& lf = labels[i]->frame(idiom);
        // A label to the right of a wide control on its level is that control's unit.
        auto owner = std::find_if(rows.begin(), rows.end(), [&](const FormRow& r) {
            const ControlFrame& cf = r.control->frame(idiom);
            return !r.suffix && overlapsVertically(lf, cf) && lf.x > cf.x;
        });
        if (owner != rows.end()) {
            owner->suffix = labels[i];
        } else {
            rows.push_back({labels[i], nullptr, nullptr, lf.y, lf.x});
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const FormRow& a, const FormRow& b) { return a.top != b.top ? a.top < b.top : a.x < b.x; });
    return rows;
}

}  // namespace

/// Rows of a list page (check marks) or of the wristband picker (signal and state as subtitle).
class PropertyPageView::ListSource : public TableSource {
public:
    ListSource(PropertiesViewController& model, bool picker) : m_model(model), m_picker(picker) {}
    int sectionCount() const override { return 1; }
    int rowCount(int) const override { return m_model.numberOfRows(); }
    double rowHeight(int, int) const override { return m_model.rowHeight(); }
    TableRow row(int, int r) override {
        TableRow row;
        row.style = CellStyle::Subtitle;
        if (m_picker) {
            const auto& rows = m_model.pickerRows();
            if (r < 0 || r >= static_cast<int>(rows.size())) return row;
            row.caption = q(rows[static_cast<size_t>(r)].caption);
            row.detail = q(rows[static_cast<size_t>(r)].subtitle);
            row.captionElide = Qt::ElideMiddle;  // keys differ only at their ends
        } else {
            row.caption = q(m_model.listCaption(r));
            row.style = CellStyle::Value1;
            row.accessory = m_model.hasCheckmark(r) ? Accessory::Checkmark : Accessory::None;
        }
        return row;
    }
    void didSelect(int, int r) override { m_model.didSelectRowAtIndexPath(r); }
    QString headerTitle(int) const override { return m_picker ? q(m_model.pickerStatusLine()) : QString(); }

private:
    PropertiesViewController& m_model;
    bool m_picker;
};

PropertyPageView::PropertyPageView(std::shared_ptr<PropertiesViewController> model, DeviceIdiom idiom,
                                   const QString& refreshText, QWidget* parent)
    : QWidget(parent), m_model(std::move(model)), m_idiom(idiom) {
    setObjectName(QStringLiteral("propertyPage_") + q(m_model->pageKey()));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#%1 { background: %2; }").arg(objectName(), colours::kGroupedBackground.name()));
    const std::string& key = m_model->pageKey();
    if (key == "Present" || key == "Wish") {
        buildList(false, refreshText);
    } else if (key == "Bluetooth") {
        buildList(true, refreshText);
    } else {
        buildForm();
    }
}

PropertyPageView::~PropertyPageView() {
    // The model may outlive the view a moment (held by a running call); it must not call back into it.
    m_model->changed = nullptr;
    m_model->dismiss = nullptr;
    m_model->presentAlert = nullptr;
}

ModalPage* PropertyPageView::present(MainWindow& window, std::shared_ptr<PropertiesViewController> model,
                                     const QString& okText, const QString& cancelText, const QString& refreshText) {
    const DeviceIdiom idiom = window.metrics().tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    auto* view = new PropertyPageView(model, idiom, refreshText);
    auto* page = new ModalPage(q(model->title()), view);
    page->navigationBar()->setLeftButton(cancelText, [view] { view->cancel(); });
    page->navigationBar()->setRightButton(okText, [view] { view->confirm(); });
    QPointer<ModalPage> guard(page);
    MainWindow* w = &window;
    model->dismiss = [w, guard] {
        if (guard) w->dismissModal(guard);
    };
    model->changed = [view] { view->refresh(); };
    model->presentAlert = [w](const AlertModel& a) {
        QStringList buttons;
        for (const auto& b : a.buttons()) buttons << q(b);
        showMessageBox(w, q(a.title), q(a.message), buttons, a.cancelButton ? 0 : -1, a.clickedButtonAtIndex,
                       a.destructive);
    };
    window.presentModal(page);
    return page;
}

void PropertyPageView::buildList(bool picker, const QString& refreshText) {
    m_source = std::make_unique<ListSource>(*m_model, picker);
    m_table = new TableView(this);
    m_table->setObjectName(QStringLiteral("pageTable"));
    m_table->setGrouped(false);
    m_table->setScrollEnabled(m_model->scrolls());
    m_table->setSource(m_source.get());
    if (!picker) return;
    m_table->setRefreshEnabled(true);
    m_table->setRefreshTitle(q(m_model->refreshControlTitle));
    connect(m_table, &TableView::refreshRequested, this, [this] {
        m_model->refreshBleTable(true);
        m_table->setRefreshTitle(q(m_model->refreshControlTitle));
        m_table->endRefreshing();
    });
    // Mouse users get the same rescan from a button under the list.
    m_refreshButton = new QPushButton(this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_refreshButton->setText(QStringLiteral("⟳  ") + refreshText);
    m_refreshButton->setFlat(true);
    m_refreshButton->setFont(AppFonts::font(15));
    m_refreshButton->setCursor(Qt::PointingHandCursor);
    m_refreshButton->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: %2; border: none; "
                       "border-top: 1px solid %3; }")
            .arg(colours::kTint.name(), colours::kBarBackground.name(), colours::kSeparator.name()));
    connect(m_refreshButton, &QPushButton::clicked, this, [this] { m_table->beginRefreshing(); });
}

void PropertyPageView::buildForm() {
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(m_model->scrolls() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAsNeeded);
    auto* body = new QWidget;
    body->setObjectName(QStringLiteral("formBody"));
    body->setAttribute(Qt::WA_StyledBackground);
    body->setStyleSheet(QStringLiteral("#formBody { background: %1; }").arg(colours::kGroupedBackground.name()));
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 30, 0, 30);
    column->setSpacing(0);
    const int rowHeight = m_idiom == DeviceIdiom::Phone ? 50 : 60;
    const int labelWidth = m_idiom == DeviceIdiom::Phone ? 120 : 160;

    const auto controls = m_model->controlsFor(m_idiom);
    bool firstRow = true;
    auto addRow = [&](QWidget* row) {
        if (firstRow) {
            row->setStyleSheet(
                row->styleSheet() +
                QStringLiteral(" #formRow { border-top: 1px solid %1; }").arg(colours::kSeparator.name()));
            firstRow = false;
        }
        column->addWidget(row);
    };
    auto makeControl = [&](const FormControl& c, QWidget* parent) -> QWidget* {
        QWidget* w = nullptr;
        switch (c.kind) {
            case ControlKind::Label:
                w = makeLabel(c, parent);
                break;
            case ControlKind::TextField: {
                auto* field = new QLineEdit(q(c.text), parent);
                field->setPlaceholderText(q(c.placeholder));
                field->setFont(AppFonts::font(16));
                field->setMinimumHeight(34);
                if (c.numericKeypad) field->setInputMethodHints(Qt::ImhDigitsOnly);
                field->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid %1; border-radius: 6px; "
                                                    "padding: 2px 8px; background: white; }")
                                         .arg(colours::kSeparator.name()));
                w = field;
                break;
            }
            case ControlKind::Switch: {
                auto* sw = new SwitchControl(parent);
                sw->setChecked(c.on);
                w = sw;
                break;
            }
            case ControlKind::Segmented: {
                std::vector<QString> segments;
                for (const auto& s : c.segments) segments.push_back(q(s));
                auto* seg = new SegmentedControl(segments, parent);
                seg->setSelectedIndex(c.selectedSegment);
                seg->setMinimumHeight(32);
                w = seg;
                break;
            }
            case ControlKind::TimePicker: {
                auto* picker = new TimePicker(parent);
                picker->setTime(c.time.hour, c.time.minute);
                w = picker;
                break;
            }
        }
        w->setObjectName(QStringLiteral("tag%1").arg(c.tag));
        m_byTag.insert(c.tag, w);
        return w;
    };

    for (const FormRow& r : arrangeRows(controls, m_idiom)) {
        const bool inline_ =
            r.control && (r.control->kind == ControlKind::TextField || r.control->kind == ControlKind::Switch);
        QWidget* row = whiteRow(body, rowHeight);
        if (inline_) {
            // A caption and its field or switch share a line.
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(15, 6, 15, 6);
            line->setSpacing(12);
            if (r.label) {
                QWidget* label = makeControl(*r.label, row);
                label->setFixedWidth(labelWidth);
                line->addWidget(label);
            }
            QWidget* field = makeControl(*r.control, row);
            if (r.control->kind == ControlKind::Switch) line->addStretch();
            line->addWidget(field, r.control->kind == ControlKind::Switch ? 0 : 1);
        } else if (r.control) {
            // A caption above a wide control (segments, time), with an optional unit after it.
            auto* stack = new QVBoxLayout(row);
            stack->setContentsMargins(15, 10, 15, 12);
            stack->setSpacing(8);
            if (r.label) {
                auto* label = static_cast<QLabel*>(makeControl(*r.label, row));
                label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                label->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kHeaderText.name()));
                label->setFont(AppFonts::font(14));
                stack->addWidget(label);
            }
            auto* line = new QHBoxLayout;
            line->setSpacing(10);
            line->addWidget(makeControl(*r.control, row), 1);
            if (r.suffix) line->addWidget(makeControl(*r.suffix, row));
            stack->addLayout(line);
        } else if (r.label) {
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(15, 6, 15, 6);
            line->addWidget(makeControl(*r.label, row));
        }
        addRow(row);
    }
    column->addStretch();
    m_scroll->setWidget(body);
}

void PropertyPageView::resizeEvent(QResizeEvent*) {
    if (m_scroll) m_scroll->setGeometry(rect());
    if (m_table) {
        const int bar = m_refreshButton ? kRefreshBarHeight : 0;
        m_table->setGeometry(0, 0, width(), height() - bar);
        if (m_refreshButton) m_refreshButton->setGeometry(0, height() - bar, width(), bar);
    }
}

void PropertyPageView::pushValuesToModel() {
    for (FormControl& c : m_model->controls()) {
        QWidget* w = m_byTag.value(c.tag);
        if (!w) continue;
        if (auto* field = qobject_cast<QLineEdit*>(w)) c.text = field->text().toStdString();
        if (auto* sw = qobject_cast<SwitchControl*>(w)) c.on = sw->isChecked();
        if (auto* seg = qobject_cast<SegmentedControl*>(w)) c.selectedSegment = seg->selectedIndex();
        if (auto* picker = qobject_cast<TimePicker*>(w)) c.time = TimeOfDay{picker->hour(), picker->minute()};
    }
}

int PropertyPageView::pickerRowCount() const {
    return m_model->pageKey() == "Bluetooth" ? static_cast<int>(m_model->pickerRows().size()) : 0;
}

QString PropertyPageView::refreshControlTitle() const {
    return q(m_model->refreshControlTitle);
}

void PropertyPageView::confirm() {
    pushValuesToModel();
    m_model->ProessResult();
}

void PropertyPageView::cancel() {
    m_model->backAction();
}

void PropertyPageView::refresh() {
    if (!m_table) return;
    m_table->reloadData();
    if (m_refreshButton) m_table->setRefreshTitle(q(m_model->refreshControlTitle));
}

}  // namespace vantro::gui
