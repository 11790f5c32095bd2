// SPDX-License-Identifier: MIT
// The history screen: one bar per stored day, the touched day's steps in a panel under the chart.
#include "screens/chart_view_controller.h"

#include "platform/strprintf.h"
#include "store/sqlite_data.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace vantro {
namespace {

std::string upperCase(std::string text) {
    // ASCII only: the bytes of other scripts' UTF-8 are left as they are.
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The value text of a height: truncated toward zero, and never undefined for odd floats.
int wholeSteps(float value) {
    if (!std::isfinite(value)) return 0;
    const double clamped = std::clamp(static_cast<double>(value), static_cast<double>(std::numeric_limits<int>::min()),
                                      static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(clamped);
}

}  // namespace

ChartViewController::ChartViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize,
                                         double navigationBarBottom)
    : ViewController(app, ui, viewSize, navigationBarBottom) {}

void ChartViewController::viewDidLoad() {
    setTitle(localized("SportsData"));
}

void ChartViewController::initFakeData() {
    m_appDelegate = &app();
    std::vector<sportsData> days;
    const int count = m_appDelegate->m_db ? m_appDelegate->m_db->databaseToArray(days) : 0;
    days.resize(static_cast<std::size_t>(std::clamp<int>(count, 0, static_cast<int>(days.size()))));
    m_days = std::move(days);
    rebuildBars();
}

std::string ChartViewController::monthTitle(int year, int month) const {
    static constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
    std::string format = localized("MonthYear");
    if (format.find("{month}") == std::string::npos) format = "{month} {year}";
    const auto put = [&format](std::string_view field, const std::string& value) {
        const auto at = format.find(field);
        if (at != std::string::npos) format.replace(at, field.size(), value);
    };
    put("{month}", localized(kMonths[std::clamp(month, 1, 12) - 1]));
    put("{year}", std::to_string(year));
    return format;
}

void ChartViewController::rebuildBars() {
    const HistoryPeriods periods(m_days);
    m_pageCount = periods.pageCount(m_range);
    m_page = std::clamp(m_page, 0, m_pageCount - 1);
    const auto bars = periods.bars(m_range, m_page, [this](int y, int m) { return monthTitle(y, m); });
    std::vector<float> heights;
    std::vector<std::string> labels;
    std::vector<bool> empty;
    heights.reserve(bars.size());
    labels.reserve(bars.size());
    for (const HistoryBar& bar : bars) {
        heights.push_back(bar.value);
        labels.push_back(bar.title);
        empty.push_back(bar.empty);
    }
    m_barCount = static_cast<std::int32_t>(bars.size());
    m_chartData = std::move(heights);
    m_monthlySymbols = std::move(labels);
    m_emptyBars = std::move(empty);
}

bool ChartViewController::barIsEmpty(std::int32_t index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_emptyBars.size() &&
           m_emptyBars[static_cast<std::size_t>(index)];
}

void ChartViewController::setRange(HistoryRange range) {
    if (range == m_range) return;
    m_range = range;
    m_page = 0;
    app().settings().setString(kRangeKey, historyRangeName(range));
    replaceBars();
}

bool ChartViewController::showPage(int page) {
    const int wanted = std::clamp(page, 0, m_pageCount - 1);
    if (wanted == m_page) return false;
    m_page = wanted;
    replaceBars();
    return true;
}

void ChartViewController::replaceBars() {
    initFakeData();
    if (!isViewLoaded() || !m_barChartView) return;
    if (m_informationView) m_informationView->setHidden(true, true);
    m_barChartView->reloadData();
    m_barChartView->setState(BarChartView::kStateCollapsed);
    m_barChartView->setState(BarChartView::kStateExpanded, true, nullptr);
}

void ChartViewController::loadView() {
    ViewController::loadView();
    if (const auto saved = app().settings().stringForKey(kRangeKey))
        m_range = parseHistoryRange(*saved).value_or(HistoryRange::All);
    initFakeData();
    UiContext& ui = this->ui();
    const auto& root = view();
    const double w = viewSize().width, h = viewSize().height;
    root->setBackgroundColor(Color::white());

    const double chartHeight = ui.idiom() == DeviceIdiom::Phone ? kPhoneChartHeight : kTabletChartHeight;
    m_barChartView = std::make_shared<BarChartView>(ui, Rect{10, 10, w - 20, chartHeight});
    m_barChartView->setDelegate(this);
    m_barChartView->setDataSource(this);
    m_barChartView->setHeaderPadding(10);
    m_barChartView->setBackgroundColor(Color::white());

    auto header = std::make_shared<ChartHeaderView>(ui, Rect{10, std::ceil(h * 0.5) - 30, w - 20, 60});
    header->titleLabel()->setText(upperCase(localized("label.history.title")));
    header->titleLabel()->setTextColor(Color::white());
    std::string subtitle = localized("label.history.subtitle");
    if (subtitle == "label.history.subtitle") subtitle = "运动记录";  // the fixed fallback text
    header->subtitleLabel()->setText(strprintf("%s - %s", subtitle.c_str(), localized("").c_str()));
    header->setSeparatorColor(Color::rgb255(104, 104, 104));
    m_barChartView->setHeaderView(header);

    auto footer = std::make_shared<BarChartFooterView>(ui, Rect{10, std::ceil(h * 0.5) - 13, w - 20, 25});
    footer->setPadding(5);
    footer->leftLabel()->setText(localized("Old"));
    footer->leftLabel()->setTextColor(Color::white().withAlpha(0.4f));
    footer->rightLabel()->setText(localized("Now"));
    footer->rightLabel()->setTextColor(Color::white().withAlpha(0.4f));
    m_barChartView->setFooterView(footer);
    footer->setBackgroundColor(Color::clear());

    const double chartBottom = m_barChartView->frame().maxY();
    const double panelHeight = std::max(0.0, h - chartBottom - navigationBarBottom());
    m_informationView = std::make_shared<ChartInformationView>(ui, Rect{root->bounds().x, chartBottom, w, panelHeight});
    root->addSubview(m_informationView);
    m_informationView->setValueAndUnitTextColor(Color::white().withAlpha(0.6f));
    m_informationView->setTitleTextColor(Color::white().withAlpha(0.6f));
    m_informationView->setSeparatorColor(Color::rgb255(142, 182, 183));

    root->addSubview(m_barChartView);
    m_barChartView->reloadData();
}

void ChartViewController::viewWillAppear(bool) {
    view();
    m_barChartView->setState(BarChartView::kStateCollapsed);
}

void ChartViewController::viewDidAppear(bool) {
    view();
    m_barChartView->setState(BarChartView::kStateExpanded, true, nullptr);
    initFakeData();
    m_barChartView->reloadData();
}

std::int32_t ChartViewController::numberOfBarsInBarChartView(BarChartView&) {
    return m_barCount;
}

std::shared_ptr<View> ChartViewController::barViewForBarChartView(BarChartView&, std::int32_t index) {
    auto bar = std::make_shared<View>(ui());
    bar->setBackgroundColor(barColorAtIndex(index));
    return bar;
}

float ChartViewController::heightForBarViewAtAtIndex(BarChartView&, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_chartData.size()) return 0;
    return m_chartData[static_cast<std::size_t>(index)];
}

void ChartViewController::didSelectBarAtIndex(BarChartView&, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_chartData.size() ||
        static_cast<std::size_t>(index) >= m_monthlySymbols.size() || !m_informationView)
        return;
    const auto i = static_cast<std::size_t>(index);
    if (barIsEmpty(index)) {
        m_informationView->setValueText("--", localized("NoRecord"));
    } else {
        m_informationView->setValueText(strprintf("%d", wholeSteps(m_chartData[i])), localized("StepsA"));
    }
    m_informationView->setTitleText(m_monthlySymbols[i]);
    m_informationView->setHidden(false, true);
}

void ChartViewController::didUnselectBarAtIndex(BarChartView&, std::int32_t) {
    if (m_informationView) m_informationView->setHidden(true, true);
}

}  // namespace vantro
