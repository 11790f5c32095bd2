// SPDX-License-Identifier: MIT
// The chart widgets' cost per frame: bar chart reload and layout, drawing, hit tests, pie frames.
#include "charts/bar_chart_footer_view.h"
#include "charts/bar_chart_view.h"
#include "charts/chart_header_view.h"
#include "charts/pie_layer.h"
#include "platform/manual_run_loop.h"
#include "platform/recording_canvas.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace vantro;

namespace {

constexpr int kTenYears = 3650;

// Ten years of days with varied step counts; the chart's own default gaps so bars keep a width.
struct Days : BarChartViewDataSource, BarChartViewDelegate {
    std::vector<float> steps;
    Days() {
        for (int i = 0; i < kTenYears; ++i) steps.push_back(static_cast<float>((i * 7919) % 20000));
    }
    std::int32_t numberOfBarsInBarChartView(BarChartView&) override { return static_cast<std::int32_t>(steps.size()); }
    float heightForBarViewAtAtIndex(BarChartView&, std::int32_t i) override {
        return steps[static_cast<std::size_t>(i)];
    }
};

// The history screen's chart on a phone: 300 × 360 with a 60-point header and a 25-point footer.
struct ChartRig {
    ManualRunLoop loop;
    FixedTextMetrics metrics;
    UiContext ui{loop, metrics};
    Days days;
    std::shared_ptr<BarChartView> chart = std::make_shared<BarChartView>(ui, Rect{10, 10, 300, 360});
    ChartRig() {
        chart->setDelegate(&days);
        chart->setDataSource(&days);
        chart->setHeaderPadding(10);
        auto header = std::make_shared<ChartHeaderView>(ui, Rect{0, 0, 300, 60});
        header->titleLabel()->setText("STEP HISTORY");
        chart->setHeaderView(header);
        auto footer = std::make_shared<BarChartFooterView>(ui, Rect{0, 0, 300, 25});
        footer->leftLabel()->setText("Oldest");
        footer->rightLabel()->setText("Now");
        chart->setFooterView(footer);
        chart->reloadData();
        chart->layoutIfNeeded();
    }
};

void BM_BarChartReloadAndLayout(benchmark::State& state) {
    ChartRig rig;
    for (auto _ : state) {
        rig.chart->reloadData();
        rig.chart->layoutIfNeeded();
        benchmark::DoNotOptimize(rig.chart->barCount());
    }
    state.counters["bars"] = static_cast<double>(rig.chart->barCount());
}
BENCHMARK(BM_BarChartReloadAndLayout)->Unit(benchmark::kMillisecond);

void BM_BarChartDraw(benchmark::State& state) {
    ChartRig rig;
    RecordingCanvas canvas;
    for (auto _ : state) {
        canvas.clear();
        rig.chart->render(canvas);
        benchmark::DoNotOptimize(canvas.ops().data());
    }
    state.counters["ops"] = static_cast<double>(canvas.ops().size());
}
BENCHMARK(BM_BarChartDraw)->Unit(benchmark::kMillisecond);

// One touch as the chart sees it: the view tree's hit test, then the bar under the finger.
void BM_BarChartHitTest(benchmark::State& state) {
    ChartRig rig;
    auto root = std::make_shared<View>(rig.ui, Rect{0, 0, 320, 568});
    root->addSubview(rig.chart);
    int i = 0;
    for (auto _ : state) {
        const double x = 10 + (i++ % 301);
        View* hit = root->hitTest({x, 200});
        benchmark::DoNotOptimize(hit);
        benchmark::DoNotOptimize(rig.chart->barViewIndexForPoint({x - 10, 190}));
    }
}
BENCHMARK(BM_BarChartHitTest)->Unit(benchmark::kMicrosecond);

// The sleep pie mid-animation: four slices, one being pulled out, titles on.
struct PieRig {
    ManualRunLoop loop;
    FixedTextMetrics metrics;
    UiContext ui{loop, metrics};
    PieLayer layer{ui};
    PieValues elements;
    PieRig() {
        layer.setBounds({0, 0, 320, 284});
        layer.setMaxRadius(100, 20, false);
        const Color colors[] = {{0.67f, 0.67f, 0.67f, 1}, {0.6f, 0.4f, 0.2f, 1}, {1, 0, 1, 1}, {1, 0.5f, 0, 1}};
        for (int i = 0; i < 4; ++i) elements.push_back(PieElement::pieElementWithValue(30.0f + 10 * i, colors[i]));
        layer.addValues(elements, false);
        layer.setShowTitles(2);
        PieElement::animateChanges([&] { elements[1]->setCentrOffset(20); });
        loop.runPending();
        loop.advance(0.3);
    }
};

void BM_PieAnimationFrame(benchmark::State& state) {
    PieRig rig;
    RecordingCanvas canvas;
    for (auto _ : state) {
        canvas.clear();
        rig.layer.presentation()->drawInContext(canvas);
        benchmark::DoNotOptimize(canvas.ops().data());
    }
}
BENCHMARK(BM_PieAnimationFrame)->Unit(benchmark::kMicrosecond);

void BM_PieHitTest(benchmark::State& state) {
    PieRig rig;
    int i = 0;
    for (auto _ : state) {
        const double a = (i++ % 360) * 3.14159265358979 / 180;
        benchmark::DoNotOptimize(rig.layer.pieElemInPoint({160 + 60 * std::cos(a), 142 - 60 * std::sin(a)}));
    }
}
BENCHMARK(BM_PieHitTest)->Unit(benchmark::kMicrosecond);

}  // namespace
