// SPDX-License-Identifier: MIT
// The today tab: the seven rows of today's values from the today screen's controller.
#pragma once

#include "gui/screen.h"
#include "gui/table_view.h"
#include "link/vantro_view_controller.h"

#include <QPointer>
#include <QPushButton>

#include <functional>

namespace vantro::gui {

/// Shell of VantroViewController's table: reports the rows on screen, draws what they show.
class TodayScreenView : public Screen, public TableSource {
public:
    explicit TodayScreenView(VantroViewController& controller);
    ~TodayScreenView() override;

    QWidget* view() override;
    QString title() const override;

    int sectionCount() const override { return 1; }
    int rowCount(int section) const override;
    /// Why Bluetooth cannot be used, when it cannot; else when the last sync finished ("Synced 10 min ago").
    QString headerTitle(int section) const override;
    double rowHeight(int section, int row) const override;
    TableRow row(int section, int row) override;
    void didSelect(int section, int row) override;
    void visibleRowsChanged(const std::set<RowPath>& rows) override;
    TableRow accessibleRow(int section, int row) override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    TableView* table() const { return m_table; }
    /// The detail text on screen in `row`, empty when it has no cell.
    QString detailText(int row) const;
    /// Shown above the rows while no band is connected; tapping it calls `connectHintTapped`.
    QPushButton* connectHint() const { return m_hint; }
    std::function<void()> connectHintTapped;
    void updateConnectHint();

private:
    VantroViewController& m_controller;
    QPointer<TableView> m_table;
    QString m_shownState;
    QPointer<QPushButton> m_hint;
};

}  // namespace vantro::gui
