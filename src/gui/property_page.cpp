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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

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

QLabel* makeCaption(const std::string& text, QWidget* parent, Qt::Alignment alignment) {
    auto* label = new QLabel(q(text), parent);
    label->setFont(AppFonts::font(16));
    label->setWordWrap(true);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

/// On a list page with OK, Return ticks the focused row and saves, as Return saves on every other page;
/// Space only ticks it.
class ReturnSaves : public QObject {
public:
    ReturnSaves(TableView* table, QPushButton* ok) : QObject(table), m_table(table), m_ok(ok) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !m_ok) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        if (const auto row = m_table->keyboardRow()) m_table->tapRow(row->first, row->second);
        if (m_ok && m_ok->isEnabled()) m_ok->click();
        return true;
    }

private:
    TableView* m_table;
    QPointer<QPushButton> m_ok;
};

}  // namespace

/// Rows of a list page (check marks) or of the wristband picker (signal and state as subtitle).
class PropertyPageView::ListSource : public TableSource {
public:
    explicit ListSource(PropertiesViewController& model) : m_model(model) {}
    int sectionCount() const override { return 1; }
    int rowCount(int) const override { return m_model.numberOfRows(); }
    double rowHeight(int, int) const override { return m_model.rowHeight(); }
    TableRow row(int, int r) override {
        TableRow row;
        row.style = CellStyle::Subtitle;
        if (const WristbandPicker* picker = m_model.picker()) {
            const auto& rows = picker->rows();
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
    QString headerTitle(int) const override { return m_model.picker() ? q(m_model.picker()->statusLine()) : QString(); }

private:
    PropertiesViewController& m_model;
};

PropertyPageView::PropertyPageView(std::shared_ptr<PropertiesViewController> model, DeviceIdiom idiom,
                                   const PageTexts& texts, QWidget* parent)
    : QWidget(parent), m_model(std::move(model)), m_idiom(idiom) {
    setObjectName(QStringLiteral("propertyPage_") + q(m_model->pageKey()));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#%1 { background: %2; }").arg(objectName(), colours::kGroupedBackground.name()));
    if (m_model->kind() == PageKind::Form) {
        buildForm(texts);
    } else {
        buildList(texts.refresh);  // the picker adds its rescan to the list
    }
}

PropertyPageView::~PropertyPageView() {
    // The model may outlive the view a moment (held by a running call); it must not call back into it.
    m_model->changed = nullptr;
    m_model->dismiss = nullptr;
    m_model->presentAlert = nullptr;
}

ModalPage* PropertyPageView::present(MainWindow& window, std::shared_ptr<PropertiesViewController> model,
                                     const PageTexts& texts) {
    const DeviceIdiom idiom = window.metrics().tablet ? DeviceIdiom::Tablet : DeviceIdiom::Phone;
    auto* view = new PropertyPageView(model, idiom, texts);
    auto* page = new ModalPage(q(model->title()), view);
    page->navigationBar()->setLeftButton(texts.cancel, [view] { view->cancel(); });
    page->navigationBar()->setRightButton(texts.ok, [view] { view->confirm(); });
    if (view->table() && !model->picker())
        view->table()->installEventFilter(new ReturnSaves(view->table(), page->navigationBar()->rightButton()));
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

void PropertyPageView::buildList(const QString& refreshText) {
    m_source = std::make_unique<ListSource>(*m_model);
    m_table = new TableView(this);
    m_table->setObjectName(QStringLiteral("pageTable"));
    m_table->setAccessibleName(q(m_model->title()));
    m_table->setGrouped(false);
    m_table->setScrollEnabled(m_model->scrolls());
    m_table->setSource(m_source.get());
    WristbandPicker* picker = m_model->picker();
    if (!picker) return;
    m_table->setRefreshEnabled(true);
    m_table->setRefreshTitle(q(picker->refreshControlTitle));
    connect(m_table, &TableView::refreshRequested, this, [this, picker] {
        picker->refreshBleTable(true);
        m_table->setRefreshTitle(q(picker->refreshControlTitle));
        m_table->endRefreshing();
    });
    // Mouse users get the same rescan from a button under the list.
    const QString barButtonStyle =
        QStringLiteral(
            "QPushButton { color: %1; background: %2; border: none; border-top: 1px solid %3; }"
            "QPushButton:disabled { color: %4; }"
            "QPushButton:focus { border: 2px solid %1; border-radius: 6px; }")
            .arg(colours::kTint.name(), colours::kBarBackground.name(), colours::kSeparator.name(),
                 colours::kSecondaryText.name());
    m_refreshButton = new QPushButton(this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_refreshButton->setText(QStringLiteral("⟳  ") + refreshText);
    m_refreshButton->setAccessibleName(refreshText);  // the arrow is only drawn, not read
    m_refreshButton->setFlat(true);
    m_refreshButton->setFont(AppFonts::font(15));
    m_refreshButton->setCursor(Qt::PointingHandCursor);
    m_refreshButton->setStyleSheet(barButtonStyle);
    connect(m_refreshButton, &QPushButton::clicked, this, [this] { m_table->beginRefreshing(); });
    // The chosen band is the one the companion returns to by itself; this lets it go.
    m_forgetButton = new QPushButton(this);
    m_forgetButton->setObjectName(QStringLiteral("forgetButton"));
    m_forgetButton->setText(q(m_model->localized("ForgetBand")));
    m_forgetButton->setFlat(true);
    m_forgetButton->setFont(AppFonts::font(15));
    m_forgetButton->setCursor(Qt::PointingHandCursor);
    m_forgetButton->setStyleSheet(barButtonStyle);
    m_forgetButton->setEnabled(picker->canForget());
    connect(m_forgetButton, &QPushButton::clicked, this, [this, picker] {
        if (!picker->canForget()) return;
        picker->forget();
        // The focus leaves the button it is about to lose, for the one beside it.
        if (m_forgetButton->hasFocus()) m_refreshButton->setFocus(Qt::OtherFocusReason);
        m_forgetButton->setEnabled(false);
        // Nothing on the page shows it otherwise: the list still holds the band, now merely nearby.
        QStringList ok{q(m_model->localized("OK"))};
        showMessageBox(window(), q(m_model->localized("Prompt")), q(m_model->localized("BandForgotten")), ok, 0, {});
    });
}

void PropertyPageView::buildForm(const PageTexts& texts) {
    m_scroll = new QScrollArea(this);
    // The scroll area only holds the rows: the keyboard goes to their controls, never to it.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A form scrolls whenever it does not fit the window; only list pages may be fixed.
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* body = new QWidget;
    body->setObjectName(QStringLiteral("formBody"));
    body->setAttribute(Qt::WA_StyledBackground);
    body->setStyleSheet(QStringLiteral("#formBody { background: %1; }").arg(colours::kGroupedBackground.name()));
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 30, 0, 30);
    column->setSpacing(0);
    const int rowHeight = m_idiom == DeviceIdiom::Phone ? 50 : 60;
    const int labelWidth = m_idiom == DeviceIdiom::Phone ? 120 : 160;

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
            case ControlKind::TextField: {
                auto* field = new QLineEdit(q(c.text), parent);
                field->setPlaceholderText(q(c.placeholder));
                field->setFont(AppFonts::font(16));
                field->setMinimumHeight(44);  // a finger's target
                if (c.numericKeypad) field->setInputMethodHints(Qt::ImhDigitsOnly);
                // The focused field gets the ring every other control has, not only a caret.
                field->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid %1; border-radius: 6px; "
                                                    "padding: 2px 8px; background: white; }"
                                                    "QLineEdit:focus { border: 2px solid %2; padding: 1px 7px; }")
                                         .arg(colours::kSeparator.name(), colours::kTint.name()));
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
    // A control is read out by its row's caption (with the unit, "Height, cm"); a row without one by the
    // page's title.
    auto nameFor = [&](const FormRow& r) {
        QString name = q(r.caption.empty() ? m_model->title() : r.caption);
        if (!r.unit.empty()) name += texts.time.separator + q(r.unit);
        return name;
    };
    auto named = [&](QWidget* control, const FormRow& r) {
        if (auto* picker = qobject_cast<TimePicker*>(control))
            picker->setNames(nameFor(r), texts.time);
        else
            control->setAccessibleName(nameFor(r));
        return control;
    };

    for (const FormRow& r : m_model->rows()) {
        const bool inline_ = r.control.kind == ControlKind::TextField || r.control.kind == ControlKind::Switch;
        QWidget* row = whiteRow(body, rowHeight);
        if (inline_) {
            // A caption and its field or switch share a line.
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(15, 6, 15, 6);
            line->setSpacing(12);
            if (!r.caption.empty()) {
                QLabel* caption = makeCaption(r.caption, row, Qt::AlignRight);
                caption->setFixedWidth(labelWidth);
                line->addWidget(caption);
            }
            QWidget* field = named(makeControl(r.control, row), r);
            const bool isSwitch = r.control.kind == ControlKind::Switch;
            if (isSwitch) line->addStretch();
            line->addWidget(field, isSwitch ? 0 : 1);
            if (!r.unit.empty()) line->addWidget(makeCaption(r.unit, row, Qt::AlignLeft));
        } else {
            // A caption above a wide control (segments, time), with an optional unit after it.
            auto* stack = new QVBoxLayout(row);
            stack->setContentsMargins(15, 10, 15, 12);
            stack->setSpacing(8);
            if (!r.caption.empty()) {
                QLabel* caption = makeCaption(r.caption, row, Qt::AlignLeft);
                caption->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kHeaderText.name()));
                caption->setFont(AppFonts::font(14));
                stack->addWidget(caption);
            }
            auto* line = new QHBoxLayout;
            line->setSpacing(10);
            line->addWidget(named(makeControl(r.control, row), r), 1);
            if (!r.unit.empty()) line->addWidget(makeCaption(r.unit, row, Qt::AlignLeft));
            stack->addLayout(line);
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
        const int half = m_forgetButton ? width() / 2 : width();
        if (m_refreshButton) m_refreshButton->setGeometry(0, height() - bar, half, bar);
        if (m_forgetButton) m_forgetButton->setGeometry(half, height() - bar, width() - half, bar);
    }
}

void PropertyPageView::pushValuesToModel() {
    for (FormRow& r : m_model->rows()) {
        FormControl& c = r.control;
        QWidget* w = m_byTag.value(c.tag);
        if (!w) continue;
        if (auto* field = qobject_cast<QLineEdit*>(w)) c.text = field->text().toStdString();
        if (auto* sw = qobject_cast<SwitchControl*>(w)) c.on = sw->isChecked();
        if (auto* seg = qobject_cast<SegmentedControl*>(w)) c.selectedSegment = seg->selectedIndex();
        if (auto* picker = qobject_cast<TimePicker*>(w)) c.time = TimeOfDay{picker->hour(), picker->minute()};
    }
}

int PropertyPageView::pickerRowCount() const {
    return m_model->picker() ? static_cast<int>(m_model->picker()->rows().size()) : 0;
}

QString PropertyPageView::refreshControlTitle() const {
    return m_model->picker() ? q(m_model->picker()->refreshControlTitle) : QString();
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
    if (m_refreshButton && m_model->picker()) m_table->setRefreshTitle(q(m_model->picker()->refreshControlTitle));
    if (m_forgetButton && m_model->picker()) {
        const bool can = m_model->picker()->canForget();
        if (!can && m_forgetButton->hasFocus()) m_refreshButton->setFocus(Qt::OtherFocusReason);
        m_forgetButton->setEnabled(can);
    }
}

}  // namespace vantro::gui
