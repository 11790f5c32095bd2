// SPDX-License-Identifier: MIT
// The today table: seven rows of today's values, written only into rows that are on screen.
#pragma once

#include "platform/localizer.h"
#include "protocol/report.h"
#include "platform/services.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro {

/// The model of the today table. The shell reports which rows have a cell on screen; a value written
/// into a row without a cell is dropped, and a cell made again shows its placeholder until the next value.
class TodayScreen {
public:
    enum Row : int { kSteps = 0, kDistance, kActiveTime, kCalories, kBattery, kRssi, kVersion };
    static constexpr int kRowCount = 7;

    struct RowLayout {
        std::string_view titleKey;
        std::string_view image;
    };
    static const std::array<RowLayout, kRowCount>& rowLayouts();

    /// What a cell shows.
    struct Cell {
        std::string title;
        std::string detail;
        std::string image;
    };

    /// The localized row titles, units and screen title.
    void load(const Localizer& localizer);
    /// The units in the language of the last load (English before one).
    const RowUnits& units() const { return m_units; }
    /// What a row shows before its first value: "--" and its unit.
    std::string placeholder(int row) const;
    const std::vector<std::string>& Items() const { return m_items; }
    const std::string& title() const { return m_title; }

    /// One section of Items().size() rows (zero before load).
    int numberOfRowsInSection(int section) const;
    /// 70 points on a phone, 100 on a tablet.
    static double heightForRowAtIndexPath(DeviceIdiom idiom);

    /// The shell makes the cell of `row`: it is on screen from now on and shows its placeholder.
    /// Absent for a row the table does not have.
    std::optional<Cell> cellForRowAtIndexPath(int row);
    /// The cell of `row` left the screen; its text is gone.
    void didEndDisplayingCell(int row);
    /// Sets the rows on screen at once: rows that stay keep their text, rows that come show placeholders.
    void setVisibleRows(const std::vector<int>& rows);

    /// Writes the detail text of `row` when it has a cell on screen; false (and nothing kept) otherwise.
    bool setDetailText(int row, std::string text);
    /// The cell of `row` as on screen, absent when the row has no cell.
    std::optional<Cell> visibleCell(int row) const;
    /// The detail text on screen, absent when the row has no cell.
    std::optional<std::string> detailText(int row) const;

    /// Called after a row's cell changed, for the shell to repaint it.
    std::function<void(int row)> onRowChanged;

private:
    bool valid(int row) const { return row >= 0 && row < kRowCount; }
    void changed(int row);

    std::vector<std::string> m_items;
    std::string m_title;
    RowUnits m_units;
    // Detail text of each row with a cell on screen.
    std::array<std::optional<std::string>, kRowCount> m_onScreen;
};

}  // namespace vantro
