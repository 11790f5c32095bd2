// SPDX-License-Identifier: MIT
// The history screen: one bar per stored day, the touched day's steps in a panel under the chart.
#pragma once

#include "charts/bar_chart_footer_view.h"
#include "charts/bar_chart_view.h"
#include "charts/chart_header_view.h"
#include "charts/chart_information_view.h"
#include "screens/history_period_text.h"
#include "screens/history_range.h"
#include "screens/stored_days.h"
#include "screens/view_controller.h"
#include "store/sports_data.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vantro {

/// Keeps the stored days in memory and reads them again when the database has changed, checked each
/// time it is built, appears, switches range or turns a page; acts as the chart's data source and
/// delegate.
class ChartViewController : public ViewController, public BarChartViewDataSource, public BarChartViewDelegate {
public:
    static constexpr Color kEvenBarColor = Color::rgb255(8, 188, 239);
    static constexpr Color kOddBarColor = Color::rgb255(52, 178, 52);
    static constexpr double kPhoneChartHeight = 360;
    static constexpr double kTabletChartHeight = 660;
    /// Our own settings key for the chosen range; the settings sync never sends it.
    static constexpr const char* kRangeKey = "historyRange";

    ChartViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize, double navigationBarBottom = 0);

    void viewDidLoad() override;
    void loadView() override;
    /// Collapses the chart, unanimated, before the screen shows.
    void viewWillAppear(bool animated) override;
    /// Expands with animation, brings the days up to date and rebuilds the bars.
    void viewDidAppear(bool animated) override;
    /// Lays out the bars of the range and page from the days, read again when the database changed:
    /// heights are the step counts (a month's daily average in the year range), labels the date texts.
    void initFakeData();

    /// The range shown; remembered in the settings across runs. All days unless chosen otherwise.
    HistoryRange range() const { return m_range; }
    /// Shows the newest period of another range; the same range again changes nothing.
    void setRange(HistoryRange range);
    /// 0 is the newest period. Paging never leaves the data: the oldest page holds the oldest day.
    int page() const { return m_page; }
    int pageCount() const { return m_pageCount; }
    bool canShowOlderPage() const { return m_page + 1 < m_pageCount; }
    bool canShowNewerPage() const { return m_page > 0; }
    /// Moves one period back or forth; false (and nothing changes) at either end.
    bool showOlderPage() { return showPage(m_page + 1); }
    bool showNewerPage() { return showPage(m_page - 1); }
    /// Shows a page, clamped into the pages there are; false when that is the page shown already.
    bool showPage(int page);
    /// The panel's value and unit for bar `index`, which a screen reader is told too: "8643", "steps a
    /// day" for a month; "--" and "no record" for a period without records; both empty past the bars.
    std::pair<std::string, std::string> valueTextAtIndex(std::int32_t index) const;
    /// Whether bar `index` stands for a period without any record.
    bool barIsEmpty(std::int32_t index) const;
    /// The days the page covers; absent when no calendar day is stored.
    std::optional<HistoryPeriod> period() const { return m_days.periods().period(m_range, m_page); }
    /// What the header and footer say about the page.
    const HistoryPageTexts& pageTexts() const { return m_texts; }
    /// How many times the days were read from the database.
    int readCount() const { return m_reads; }

    VantroAppDelegate* appDelegate() const { return m_appDelegate; }
    const std::shared_ptr<BarChartView>& barChartView() const { return m_barChartView; }
    const std::shared_ptr<ChartInformationView>& informationView() const { return m_informationView; }
    /// The bars of the page, oldest first.
    const std::vector<HistoryBar>& bars() const { return m_bars; }
    /// The bar heights and the panel titles of the page.
    std::vector<float> chartData() const;
    std::vector<std::string> monthlySymbols() const;
    /// The record count of the last listing. Kept per screen: a count shared by all history screens
    /// would let one screen read past the end of another's lists.
    std::int32_t barCount() const { return m_barCount; }
    static Color barColorAtIndex(std::int32_t index) { return index % 2 == 0 ? kEvenBarColor : kOddBarColor; }
    /// The colour of bar `index` as drawn: a month still running is lighter.
    Color barColor(std::int32_t index) const;

    // BarChartViewDataSource
    std::int32_t numberOfBarsInBarChartView(BarChartView& chart) override;
    std::optional<std::int32_t> barPaddingForBarChartView(BarChartView&) override { return 1; }
    std::optional<Color> barColorForBarChartView(BarChartView&, std::int32_t index) override { return barColor(index); }
    std::optional<Color> selectionBarColorForBarChartView(BarChartView&) override { return Color::white(); }
    // BarChartViewDelegate
    float heightForBarViewAtAtIndex(BarChartView& chart, std::int32_t index) override;
    void didSelectBarAtIndex(BarChartView& chart, std::int32_t index) override;
    void didUnselectBarAtIndex(BarChartView& chart, std::int32_t index) override;

private:
    VantroAppDelegate* m_appDelegate = nullptr;
    std::shared_ptr<BarChartView> m_barChartView;
    std::shared_ptr<ChartInformationView> m_informationView;
    std::shared_ptr<ChartHeaderView> m_header;
    std::shared_ptr<BarChartFooterView> m_footer;
    std::vector<HistoryBar> m_bars;
    std::int32_t m_barCount = 0;
    HistoryRange m_range = HistoryRange::All;
    int m_page = 0;
    int m_pageCount = 1;
    StoredDays m_days;
    int m_reads = 0;
    HistoryPageTexts m_texts;

    /// Lays the bars of the current range and page out of the days in memory.
    void rebuildBars();
    /// Brings the days up to date and runs the collapse and expand once into the new bars.
    void replaceBars();
    /// Puts the page's period into the header and footer.
    void showPageTexts();
    TextLookup lookup() const;
};

}  // namespace vantro
