// SPDX-License-Identifier: MIT
// The history screen: one bar per stored day, the touched day's steps in a panel under the chart.
#include "screens/chart_view_controller.h"

#include "platform/local_time.h"
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

}  // namespace

ChartViewController::ChartViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize,
                                         double navigationBarBottom)
    : ViewController(app, ui, viewSize, navigationBarBottom) {}

void ChartViewController::viewDidLoad() {
    setTitle(localized("SportsData"));
}

void ChartViewController::initFakeData() {
    m_appDelegate = &app();
    if (m_days.refresh(m_appDelegate->m_db.get())) ++m_reads;
    rebuildBars();
}

TextLookup ChartViewController::lookup() const {
    return [this](std::string_view key) { return localized(key); };
}

void ChartViewController::rebuildBars() {
    const HistoryPeriods& periods = m_days.periods();
    m_pageCount = periods.pageCount(m_range);
    m_page = std::clamp(m_page, 0, m_pageCount - 1);
    const TextLookup text = lookup();
    periods.fillBars(
        m_range, m_page, [&text](int y, int m) { return monthYearTitle(text, y, m); },
        toLocal(app().runLoop().wallNow()).date(), m_bars);
    m_barCount = static_cast<std::int32_t>(m_bars.size());
    // Page 0 ends with the newest stored day; only there does the right end stand for now.
    m_texts = historyPageTexts(text, m_range, periods.period(m_range, m_page), m_page == 0);
    showPageTexts();
}

void ChartViewController::showPageTexts() {
    if (m_header) m_header->subtitleLabel()->setText(m_texts.subtitle);
    if (m_footer) {
        m_footer->leftLabel()->setText(m_texts.left);
        m_footer->rightLabel()->setText(m_texts.right);
    }
}

std::vector<float> ChartViewController::chartData() const {
    std::vector<float> out;
    out.reserve(m_bars.size());
    for (const HistoryBar& bar : m_bars) out.push_back(bar.value);
    return out;
}

std::vector<std::string> ChartViewController::monthlySymbols() const {
    std::vector<std::string> out;
    out.reserve(m_bars.size());
    for (const HistoryBar& bar : m_bars) out.push_back(bar.title);
    return out;
}

std::pair<std::string, std::string> ChartViewController::valueTextAtIndex(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_bars.size()) return {};
    const HistoryBar& bar = m_bars[static_cast<std::size_t>(index)];
    if (bar.empty) return {"--", localized("NoRecord")};
    // A month shows its daily average.
    return {strprintf("%d", wholeSteps(bar.value)),
            localized(m_range == HistoryRange::Year ? "StepsPerDay" : "StepsA")};
}

bool ChartViewController::barIsEmpty(std::int32_t index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_bars.size() &&
           m_bars[static_cast<std::size_t>(index)].empty;
}

Color ChartViewController::barColor(std::int32_t index) const {
    const Color c = barColorAtIndex(index);
    const bool partial = index >= 0 && static_cast<std::size_t>(index) < m_bars.size() &&
                         m_bars[static_cast<std::size_t>(index)].partial;
    return partial ? c.withAlpha(0.45f) : c;
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
    header->setSeparatorColor(Color::rgb255(104, 104, 104));
    m_barChartView->setHeaderView(header);

    auto footer = std::make_shared<BarChartFooterView>(ui, Rect{10, std::ceil(h * 0.5) - 13, w - 20, 25});
    footer->setPadding(5);
    footer->leftLabel()->setTextColor(Color::white().withAlpha(0.4f));
    footer->rightLabel()->setTextColor(Color::white().withAlpha(0.4f));
    m_barChartView->setFooterView(footer);
    footer->setBackgroundColor(Color::clear());
    m_header = header;
    m_footer = footer;
    // The subtitle and the footer's ends name the page's period; for all days the record and its ends.
    showPageTexts();

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

float ChartViewController::heightForBarViewAtAtIndex(BarChartView&, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_bars.size()) return 0;
    return m_bars[static_cast<std::size_t>(index)].value;
}

void ChartViewController::didSelectBarAtIndex(BarChartView&, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_bars.size() || !m_informationView) return;
    const HistoryBar& bar = m_bars[static_cast<std::size_t>(index)];
    // A month's summary is longer than a date: on a narrow phone it shrinks to stay inside the panel
    // (clear of the chart's focus ring) instead of running off its edge.
    m_informationView->titleLabel()->setAdjustsFontSizeToFitWidth(m_range == HistoryRange::Year && !bar.empty);
    const auto [value, unit] = valueTextAtIndex(index);
    m_informationView->setValueText(value, unit);
    // A month's total and stored days go in the title.
    m_informationView->setTitleText(m_range == HistoryRange::Year && !bar.empty
                                        ? monthSummary(lookup(), bar.title, bar.total, bar.storedDays, bar.partial)
                                        : bar.title);
    m_informationView->setHidden(false, true);
}

void ChartViewController::didUnselectBarAtIndex(BarChartView&, std::int32_t) {
    if (m_informationView) m_informationView->setHidden(true, true);
}

}  // namespace vantro
