// SPDX-License-Identifier: MIT
// The history tab: the bar chart of every stored day, drawn through the Qt canvas.
#include "gui/history_screen.h"

#include "charts/ui_context.h"
#include "gui/view_host.h"
#include "screens/chart_view_controller.h"

namespace vantro::gui {
namespace {
constexpr Color kChartGround = Color::rgb255(38, 43, 51);
}  // namespace

HistoryScreen::HistoryScreen(VantroAppDelegate& app, RunLoop& loop, DeviceIdiom idiom, QSize contentSize)
    : m_app(app), m_ui(std::make_unique<UiContext>(loop, m_text, idiom)) {
    // The content area starts under our navigation bar, so no bar edge is inside it.
    m_controller = std::make_unique<ChartViewController>(
        app, *m_ui, Size{static_cast<double>(contentSize.width()), static_cast<double>(contentSize.height())}, 0);
    // The chart's texts, its selection band and the panel are white with black shadows: they are
    // made for a dark ground, so the chart sits on one instead of on white, where they would vanish.
    const auto& root = m_controller->view();
    root->setBackgroundColor(kChartGround);
    if (m_controller->barChartView()) m_controller->barChartView()->setBackgroundColor(kChartGround);
}

HistoryScreen::~HistoryScreen() {
    delete m_host;  // before the views and the animator it paints
    m_controller.reset();
}

QWidget* HistoryScreen::view() {
    if (!m_host) {
        m_host = new ViewHost(*m_ui, m_controller->view());
        m_host->setObjectName(QStringLiteral("historyChart"));
    }
    return m_host;
}

QString HistoryScreen::title() const {
    const std::string t = m_controller->isViewLoaded() ? m_controller->title() : m_app.localized("SportsData");
    return QString::fromStdString(t);
}

std::optional<QPointF> HistoryScreen::barCentre(int index) const {
    const auto& chart = m_controller->barChartView();
    if (!chart) return std::nullopt;
    m_controller->view()->layoutIfNeeded();
    const auto& bars = chart->barViews();
    if (index < 0 || index >= static_cast<int>(bars.size())) return std::nullopt;
    const View& bar = *bars[static_cast<size_t>(index)];
    // The middle of the bar's column, half-way up the chart: inside the bar's band even when it is low.
    const Point top = bar.convertPoint({bar.bounds().width / 2, 0}, *m_controller->view());
    const Rect chartFrame = chart->frame();
    return QPointF(top.x, chartFrame.y + chartFrame.height / 2);
}

void HistoryScreen::viewWillAppear() {
    m_controller->viewWillAppear(true);
}

void HistoryScreen::viewDidAppear() {
    m_controller->viewDidAppear(true);
    if (m_host) m_host->update();
}

}  // namespace vantro::gui
