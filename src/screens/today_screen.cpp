// SPDX-License-Identifier: MIT
// The today table: seven rows of today's values, written only into rows that are on screen.
#include "screens/today_screen.h"

#include <algorithm>

namespace vantro {

const std::array<TodayScreen::RowLayout, TodayScreen::kRowCount>& TodayScreen::rowLayouts() {
    static const std::array<RowLayout, kRowCount> kRows{{
        {"Steps", "sports_step.png"},
        {"Distance", "sports_distance.png"},
        {"ActiveTime", "sports_time.png"},
        {"Calries", "sports_calories.png"},
        {"BatteryValue", "sports_battery.png"},
        {"BluetoothRSSI", "sports_rssi.png"},
        {"DeviceVersion", "sports_ver.png"},
    }};
    return kRows;
}

void TodayScreen::load(const Localizer& localizer) {
    m_items.clear();
    for (const auto& layout : rowLayouts()) m_items.push_back(localizer.localizedString(layout.titleKey));
    m_title = localizer.localizedString("TodayData");
    // A catalog without a unit leaves the English one rather than show its key.
    auto unit = [&localizer](const char* key, const std::string& english) {
        const std::string text = localizer.localizedString(key);
        return text.empty() || text == key ? english : text;
    };
    const RowUnits english;
    m_units = {unit("unit.steps", english.steps), unit("unit.km", english.km), unit("unit.minute", english.minute),
               unit("unit.cal", english.cal), unit("unit.db", english.db)};
}

std::string TodayScreen::placeholder(int row) const {
    switch (row) {
        case kSteps:
            return "-- " + m_units.steps;
        case kDistance:
            return "-- " + m_units.km;
        case kActiveTime:
            return "-- " + m_units.minute;
        case kCalories:
            return "-- " + m_units.cal;
        case kBattery:
            return "-- %";
        case kRssi:
            return "-- " + m_units.db;
        default:
            return "--";
    }
}

int TodayScreen::numberOfRowsInSection(int section) const {
    return section == 0 ? static_cast<int>(m_items.size()) : 0;
}

double TodayScreen::heightForRowAtIndexPath(DeviceIdiom idiom) {
    return idiom == DeviceIdiom::Phone ? 70.0 : 100.0;
}

std::optional<TodayScreen::Cell> TodayScreen::cellForRowAtIndexPath(int row) {
    if (!valid(row)) return std::nullopt;
    m_onScreen[row] = placeholder(row);
    changed(row);
    return visibleCell(row);
}

void TodayScreen::didEndDisplayingCell(int row) {
    if (valid(row)) m_onScreen[row].reset();
}

void TodayScreen::setVisibleRows(const std::vector<int>& rows) {
    for (int row = 0; row < kRowCount; ++row) {
        const bool wanted = std::find(rows.begin(), rows.end(), row) != rows.end();
        if (wanted && !m_onScreen[row]) {
            cellForRowAtIndexPath(row);
        } else if (!wanted) {
            didEndDisplayingCell(row);
        }
    }
}

bool TodayScreen::setDetailText(int row, std::string text) {
    if (!valid(row) || !m_onScreen[row]) return false;
    m_onScreen[row] = std::move(text);
    changed(row);
    return true;
}

std::optional<TodayScreen::Cell> TodayScreen::visibleCell(int row) const {
    if (!valid(row) || !m_onScreen[row]) return std::nullopt;
    const std::string title = row < static_cast<int>(m_items.size()) ? m_items[row] : std::string();
    return Cell{title, *m_onScreen[row], std::string(rowLayouts()[row].image)};
}

std::optional<std::string> TodayScreen::detailText(int row) const {
    if (!valid(row)) return std::nullopt;
    return m_onScreen[row];
}

void TodayScreen::changed(int row) {
    if (onRowChanged) onRowChanged(row);
}

}  // namespace vantro
