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
    m_barCount = std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(days.size()));
    std::vector<float> heights;
    std::vector<std::string> labels;
    for (std::int32_t i = 0; i < m_barCount; ++i) {
        heights.push_back(static_cast<float>(days[static_cast<std::size_t>(i)].step));
        labels.push_back(days[static_cast<std::size_t>(i)].date);
    }
    m_chartData = std::move(heights);
    m_monthlySymbols = std::move(labels);
}

void ChartViewController::loadView() {
    ViewController::loadView();
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
    m_informationView->setValueText(strprintf("%d", wholeSteps(m_chartData[i])), localized("StepsA"));
    m_informationView->setTitleText(m_monthlySymbols[i]);
    m_informationView->setHidden(false, true);
}

void ChartViewController::didUnselectBarAtIndex(BarChartView&, std::int32_t) {
    if (m_informationView) m_informationView->setHidden(true, true);
}

}  // namespace vantro
