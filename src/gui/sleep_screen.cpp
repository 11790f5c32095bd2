// SPDX-License-Identifier: MIT
// The sleep tab: the pie of the chosen night above the list of stored nights.
#include "gui/sleep_screen.h"

#include "charts/ui_context.h"
#include "gui/view_host.h"
#include "screens/sleep_main_view_controller.h"

#include <QLabel>

#include <cmath>
#include <numbers>

namespace vantro::gui {

SleepScreen::SleepScreen(VantroAppDelegate& app, RunLoop& loop, DeviceIdiom idiom, QSize contentSize)
    : m_app(app), m_size(contentSize), m_ui(std::make_unique<UiContext>(loop, m_text, idiom)) {}

SleepScreen::~SleepScreen() {
    delete m_container;  // the host paints the views; it goes before them
    m_main.reset();
}

QWidget* SleepScreen::view() {
    if (!m_container) {
        m_container = new QWidget;
        m_container->setObjectName(QStringLiteral("sleepScreen"));
    }
    return m_container;
}

QString SleepScreen::title() const {
    return QString::fromStdString(m_app.localized("SleepData"));
}

void SleepScreen::viewWillAppear() {
    if (!m_main) build();
}

void SleepScreen::build() {
    view();
    const Size size{static_cast<double>(m_size.width()), static_cast<double>(m_size.height())};
    m_main = SleepMainViewController::makeWithChildren(m_app, *m_ui, size);
    m_host = new ViewHost(*m_ui, m_main->view(), m_container);
    m_host->setObjectName(QStringLiteral("sleepPie"));
    m_host->setGeometry(0, 0, m_size.width(), m_size.height());
    // The night list's view holds the table's place; the rows themselves are a table widget.
    const Rect list = m_main->dataViewController()->view()->frame();
    m_table = new TableView(m_container);
    m_table->setObjectName(QStringLiteral("sleepTable"));
    m_table->setGrouped(false);
    m_table->setSource(this);
    m_table->setGeometry(static_cast<int>(list.x), static_cast<int>(list.y), static_cast<int>(list.width),
                         static_cast<int>(list.height));
    // Until a night is chosen the pie's place would be blank: say how to fill it.
    m_hint = new QLabel(QString::fromStdString(m_main->pieViewController()->hintText()), m_container);
    m_hint->setObjectName(QStringLiteral("sleepHint"));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hint->setStyleSheet(QStringLiteral("color: #8e8e93;"));
    m_hint->setGeometry(16, 0, m_size.width() - 32, static_cast<int>(list.y));
    m_host->show();
    m_table->show();
    m_hint->show();
    // Opens on last night: the newest row (the list stays oldest first) in view and in the pie.
    if (const int rows = rowCount(0); rows > 0) {
        didSelect(0, rows - 1);
        m_table->scrollToRow(0, rows - 1);
    }
}

std::optional<QPointF> SleepScreen::sliceCentre(int index) const {
    SleepPieViewController* pie = m_main ? m_main->pieViewController() : nullptr;
    if (!pie || !pie->pieView()) return std::nullopt;
    const auto slices = pie->slices();
    if (index < 0 || index >= static_cast<int>(slices.size())) return std::nullopt;
    const SleepSlice& s = slices[static_cast<size_t>(index)];
    const auto view = pie->pieView();
    const PieLayer& layer = view->layer();
    // The pie is drawn y-up: angles run counter-clockwise from three o'clock.
    const double mid = (s.startAngle + s.endAngle) / 2 * std::numbers::pi / 180.0;
    const double r = (layer.minRadius() + layer.maxRadius()) / 2.0;
    const Rect b = view->bounds();
    const Point inView{b.width / 2 + r * std::cos(mid), b.height / 2 - r * std::sin(mid)};
    const Point inRoot = view->convertPoint(inView, *m_main->view());
    return QPointF(inRoot.x, inRoot.y);
}

int SleepScreen::rowCount(int section) const {
    auto* data = m_main ? m_main->dataViewController() : nullptr;
    return data ? data->numberOfRowsInSection(section) : 0;
}

TableRow SleepScreen::row(int, int r) {
    TableRow row;
    auto* data = m_main ? m_main->dataViewController() : nullptr;
    if (!data) return row;
    const TableCell cell = data->cellForRowAtIndexPath(r);
    row.caption = QString::fromStdString(cell.text);
    row.detail = QString::fromStdString(cell.detailText);
    row.style = CellStyle::Subtitle;
    row.accessory = r == m_selected ? Accessory::Checkmark : Accessory::None;
    return row;
}

void SleepScreen::didSelect(int, int r) {
    auto* data = m_main ? m_main->dataViewController() : nullptr;
    if (!data) return;
    m_selected = r;
    data->didSelectRowAtIndexPath(r);
    if (m_hint) m_hint->setVisible(!m_main->pieViewController()->hintText().empty());
    if (m_table) m_table->refreshVisible();
    if (m_host) m_host->update();
}

}  // namespace vantro::gui
