// SPDX-License-Identifier: MIT
// vantro-cli screen history and screen sleep: what the history and sleep screens show.
#include "cli/cli.h"

#include "app/vantro_app_delegate.h"
#include "charts/ui_context.h"
#include "platform/local_time.h"
#include "platform/manual_run_loop.h"
#include "platform/paths.h"
#include "platform/strprintf.h"
#include "screens/chart_view_controller.h"
#include "screens/history_range.h"
#include "screens/sleep_main_view_controller.h"
#include "store/sqlite_data.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <ostream>

namespace vantro::cli {
namespace {

// The screens are laid out as on a phone: 320 × 568 points under a 64-point navigation bar.
constexpr Size kPhoneScreen{320, 568};
constexpr double kNavigationBarBottom = 64;

/// Everything a screen model needs, on virtual time and with the deterministic text metrics.
struct ScreenHost {
    explicit ScreenHost(Context& ctx)
        : localizer(ctx.language),
          app(AppPorts{loop, log, localizer, settings}, state),
          ui(loop, metrics, DeviceIdiom::Phone) {
        app.m_db = std::make_shared<sqlite_data>(dataDirectory(ctx.dataDir), log, sqlite_data::Access::ReadOnly);
        mark = log.lines.size();
    }
    /// The database reports failures only in its log.
    bool failed(Context& ctx, const char* screen) const {
        if (log.lines.size() == mark) return false;
        ctx.err << "vantro-cli screen " << screen << ": the activity database could not be read:\n";
        for (size_t i = mark; i < log.lines.size(); ++i) ctx.err << "  " << log.lines[i] << "\n";
        return true;
    }

    ManualRunLoop loop;
    CapturingLog log;
    GettextLocalizer localizer;
    MemoryKeyValueStore settings;
    // A screen drawn from the store alone: no band, so nothing ever happens to this state.
    CompanionStateKeeper state;
    VantroAppDelegate app;
    FixedTextMetrics metrics;
    UiContext ui;
    size_t mark = 0;
};

std::string rectText(const Rect& r) {
    return strprintf("(%.2f, %.2f, %.2f, %.2f)", r.x, r.y, r.width, r.height);
}

// A row or page number: decimal digits, from 0.
std::optional<int> parseIndex(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

struct HistoryArguments {
    std::optional<std::string> range, page;
};

int historyScreen(Context& ctx, const HistoryArguments& a) {
    const auto& rangeText = a.range;
    const auto& pageText = a.page;
    const auto range = rangeText ? parseHistoryRange(*rangeText) : HistoryRange::All;
    if (!range) {
        ctx.err << "vantro-cli screen history: --range must be all, week, month or year, not '" << *rangeText << "'\n";
        return kUsageError;
    }
    const auto page = pageText ? parseIndex(*pageText) : 0;
    if (!page) {
        ctx.err << "vantro-cli screen history: --page must be a number from 0, not '" << *pageText << "'\n";
        return kUsageError;
    }
    ScreenHost host(ctx);
    ChartViewController screen(host.app, host.ui, kPhoneScreen, kNavigationBarBottom);
    screen.view();
    if (host.failed(ctx, "history")) return 1;
    screen.setRange(*range);
    if (*page >= screen.pageCount()) {
        ctx.err << "vantro-cli screen history: there is no page " << *page << " (" << screen.pageCount()
                << (screen.pageCount() == 1 ? " page" : " pages") << " of " << historyRangeName(*range) << ")\n";
        return 1;
    }
    screen.showPage(*page);
    if (host.failed(ctx, "history")) return 1;
    BarChartView& chart = *screen.barChartView();
    // A switch runs the collapse and expand wave; the bars are printed where it leaves them.
    for (double t = 0; t < BarChartView::waveDelay(chart.barCount(), chart.barCount()) + 1; t += 0.1) {
        host.loop.advance(0.1);
        host.loop.runPending();
    }
    // The days the page covers; nothing is printed when no calendar day is stored.
    if (const auto period = screen.period())
        ctx.out << "period: " << formatDate(period->first) << " " << formatDate(period->last) << "\n";
    ctx.out << "bars: " << screen.barCount() << "\n";
    for (std::size_t i = 0; i < chart.barCount(); ++i) {
        const float raw = screen.bars()[i].value;
        // The figure the panel shows (a month's average truncated), not a rounding of its own.
        ctx.out << strprintf("bar %zu: date %s, raw %d, height %.2f, frame %s\n", i, screen.bars()[i].title.c_str(),
                             wholeSteps(raw), static_cast<double>(chart.normalizedHeightForRawHeight(raw)),
                             rectText(chart.barFrame(i)).c_str());
    }
    return 0;
}

Handler declareHistoryScreen(CLI::App& app) {
    auto a = std::make_shared<HistoryArguments>();
    app.add_option_function<std::string>(
           "--range", [a](const std::string& text) { a->range = text; }, "all (default), week, month or year")
        ->type_name("R");
    app.add_option_function<std::string>(
           "--page", [a](const std::string& text) { a->page = text; },
           "0 (default) for the newest period, 1 before it...")
        ->type_name("N");
    return [a](Context& ctx) { return historyScreen(ctx, *a); };
}

int sleepScreen(Context& ctx, const std::optional<std::string>& rowText) {
    std::optional<int> row;
    if (rowText) {
        row = parseIndex(*rowText);
        if (!row) {
            ctx.err << "vantro-cli screen sleep: ROW must be a row number from 0, not '" << *rowText << "'\n";
            return kUsageError;
        }
    }
    ScreenHost host(ctx);
    auto main = SleepMainViewController::makeWithChildren(host.app, host.ui, kPhoneScreen);
    if (host.failed(ctx, "sleep")) return 1;
    SleepDataViewController& list = *main->dataViewController();
    const std::int32_t rows = list.numberOfRowsInSection(0);
    ctx.out << "nights: " << rows << "\n";
    for (std::int32_t i = 0; i < rows; ++i) {
        const TableCell cell = list.cellForRowAtIndexPath(i);
        ctx.out << "row " << i << ": " << cell.text << " | " << cell.detailText << "\n";
    }
    if (!row) return 0;
    if (*row >= rows) {
        ctx.err << "vantro-cli screen sleep: there is no row " << *row << " (" << rows << " nights stored)\n";
        return 1;
    }
    list.didSelectRowAtIndexPath(*row);
    const auto slices = main->pieViewController()->slices();
    ctx.out << "pie of row " << *row << ": " << (slices.empty() ? "nothing to draw" : "4 slices") << "\n";
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const SleepSlice& s = slices[i];
        ctx.out << strprintf("slice %zu: value %.0f, start %.2f deg, end %.2f deg, title %s\n", i + 1,
                             static_cast<double>(s.value), s.startAngle, s.endAngle, s.title.c_str());
    }
    return 0;
}

Handler declareSleepScreen(CLI::App& app) {
    auto row = std::make_shared<std::optional<std::string>>();
    app.add_option_function<std::string>(
        "ROW", [row](const std::string& text) { *row = text; }, "a row number from 0: that night's pie slices");
    return [row](Context& ctx) { return sleepScreen(ctx, *row); };
}

const ScreenRegistration historyReg(
    "history", "history [--range R] [--page N]            the step history's bars (R: all, week, month, year)",
    Declare(declareHistoryScreen));
const ScreenRegistration sleepReg("sleep", "sleep [ROW]                               the nights; a row's pie slices",
                                  Declare(declareSleepScreen));

}  // namespace
}  // namespace vantro::cli
