// SPDX-License-Identifier: MIT
// The list of stored nights; choosing one shows it in the sleep pie.
#include "screens/sleep_data_view_controller.h"

#include "platform/strprintf.h"
#include "screens/sleep_pie_view_controller.h"
#include "store/sqlite_data.h"

#include <algorithm>

namespace vantro {

SleepDataViewController::SleepDataViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize)
    : ViewController(app, ui, viewSize) {}

void SleepDataViewController::loadView() {
    ViewController::loadView();
    m_appDelegate = &app();
    m_items.clear();
    const int count = m_appDelegate->m_db ? m_appDelegate->m_db->SleepDataToArray(m_items) : 0;
    m_items.resize(static_cast<std::size_t>(std::clamp<int>(count, 0, static_cast<int>(m_items.size()))));
    // A date with only activity would read as a night without sleep; a night of zero minutes still shows.
    std::erase_if(m_items, [](const sleepData& night) { return !night.stored; });
    m_itemsCount = static_cast<std::int32_t>(m_items.size());
}

std::int32_t SleepDataViewController::numberOfRowsInSection(std::int32_t) const {
    return m_itemsCount;
}

TableCell SleepDataViewController::cellForRowAtIndexPath(std::int32_t row) const {
    TableCell cell{"SleepIndef", {}, {}};
    if (row < 0 || row >= m_itemsCount) return cell;
    const sleepData& night = m_items[static_cast<std::size_t>(row)];
    cell.text = night.date;
    cell.detailText = strprintf("%s:%s, %s:%s, %s\uFF1A%d", localized("TotalTime").c_str(), night.total_time.c_str(),
                                localized("StartTime").c_str(), night.start_time.c_str(),
                                localized("WakeupCount").c_str(), night.wakeup_count);
    return cell;
}

void SleepDataViewController::didSelectRowAtIndexPath(std::int32_t row) {
    if (row < 0 || row >= m_itemsCount) return;
    const sleepData& night = m_items[static_cast<std::size_t>(row)];
    ViewController* parent = parentViewController();
    if (!parent) return;
    for (const auto& child : parent->childViewControllers()) {
        if (auto* pie = dynamic_cast<SleepPieViewController*>(child.get()))
            pie->ShowPie(night.enter_time, night.spindles_time, night.deep_time, night.rem_time, night.wakeup_time);
    }
}

}  // namespace vantro
