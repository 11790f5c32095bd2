// SPDX-License-Identifier: MIT
// The list of stored nights; choosing one shows it in the sleep pie.
#pragma once

#include "screens/view_controller.h"
#include "store/sleep_data.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantro {

/// A table row as drawn by the "SleepIndef" cell: a main line and a detail line.
struct TableCell {
    std::string reuseIdentifier;
    std::string text;
    std::string detailText;
};

/// One row per night, in date order, read once when the view is built.
class SleepDataViewController : public ViewController {
public:
    SleepDataViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize);

    void loadView() override;

    std::int32_t items_count() const { return m_itemsCount; }
    VantroAppDelegate* appDelegate() const { return m_appDelegate; }
    const std::vector<sleepData>& sItems() const { return m_items; }

    /// One section.
    std::int32_t numberOfRowsInSection(std::int32_t section) const;
    /// Date, then "Total:07:30, Asleep at:23:10, Wake-ups：2" (a full-width colon before the count).
    TableCell cellForRowAtIndexPath(std::int32_t row) const;
    /// Shows the night in every sleep pie screen beside this one; a row out of range does nothing.
    void didSelectRowAtIndexPath(std::int32_t row);

private:
    std::int32_t m_itemsCount = 0;
    VantroAppDelegate* m_appDelegate = nullptr;
    std::vector<sleepData> m_items;
};

}  // namespace vantro
