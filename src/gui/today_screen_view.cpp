// SPDX-License-Identifier: MIT
// The today tab: the seven rows of today's values from the today screen's controller.
#include "gui/today_screen_view.h"

namespace vantro::gui {

TodayScreenView::TodayScreenView(VantroViewController& controller) : m_controller(controller) {
    m_controller.tableView().onRowChanged = [this](int) {
        if (!m_table) return;
        // A new Bluetooth state line changes the header's height, so the rows are laid out again.
        const QString state = headerTitle(0);
        if (state != m_shownState) {
            m_shownState = state;
            m_table->reloadData();
        } else {
            m_table->refreshVisible();
        }
    };
}

TodayScreenView::~TodayScreenView() {
    m_controller.tableView().onRowChanged = nullptr;
}

QWidget* TodayScreenView::view() {
    if (!m_table) {
        m_table = new TableView;
        m_table->setObjectName(QStringLiteral("todayTable"));
        m_table->setGrouped(true);
        m_table->setSource(this);
    }
    return m_table;
}

QString TodayScreenView::title() const {
    return QString::fromStdString(m_controller.title());
}

int TodayScreenView::rowCount(int section) const {
    return m_controller.numberOfRowsInSection(section);
}

QString TodayScreenView::headerTitle(int) const {
    // Why Bluetooth cannot be used matters most; otherwise when the band's data last came in.
    const VantroAppDelegate& app = m_controller.appDelegate();
    const std::string state = app.bluetoothStateText();
    if (!state.empty()) return QString::fromStdString(state);
    return QString::fromStdString(app.syncProgress().lastSyncText(app.runLoop().wallNow()));
}

double TodayScreenView::rowHeight(int, int row) const {
    return m_controller.heightForRowAtIndexPath(row);
}

TableRow TodayScreenView::row(int, int row) {
    TableRow r;
    auto cell = m_controller.tableView().visibleCell(row);
    if (!cell) cell = m_controller.cellForRowAtIndexPath(row);
    if (!cell) return r;
    r.caption = QString::fromStdString(cell->title);
    r.detail = QString::fromStdString(cell->detail);
    r.image = cell->image;
    return r;
}

void TodayScreenView::didSelect(int, int row) {
    m_controller.didSelectRowAtIndexPath(row);
}

void TodayScreenView::visibleRowsChanged(const std::set<RowPath>& rows) {
    std::vector<int> visible;
    for (const auto& [s, r] : rows) {
        if (s == 0) visible.push_back(r);
    }
    m_controller.tableView().setVisibleRows(visible);
}

QString TodayScreenView::detailText(int row) const {
    const auto text = m_controller.tableView().detailText(row);
    return text ? QString::fromStdString(*text) : QString();
}

}  // namespace vantro::gui
