// SPDX-License-Identifier: MIT
// The history tab: the bar chart of every stored day, drawn through the Qt canvas.
#include "gui/history_screen.h"

#include "charts/ui_context.h"
#include "gui/controls.h"
#include "gui/view_host.h"
#include "screens/chart_view_controller.h"

#include <QMouseEvent>
#include <QToolButton>
#include <QTouchEvent>

#include <cmath>

namespace vantro::gui {
namespace {
constexpr Color kChartGround = Color::rgb255(38, 43, 51);
// A sideways move at least this long, and mostly sideways, turns the page.
constexpr double kSwipeDistance = 50;
// Height kept free under the chart header for the range control (the bars' top moves down twice the
// extra header padding).
constexpr float kControlRoom = 24;
constexpr HistoryRange kRanges[] = {HistoryRange::All, HistoryRange::Week, HistoryRange::Month, HistoryRange::Year};
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
    if (const auto& chart = m_controller->barChartView()) {
        chart->setBackgroundColor(kChartGround);
        // The range control sits just under the header; the tallest bar starts below it.
        chart->setHeaderPadding(chart->headerPadding() + kControlRoom / 2);
        chart->reloadData();
    }
}

HistoryScreen::~HistoryScreen() {
    delete m_host;  // before the views and the animator it paints
    m_controller.reset();
}

QWidget* HistoryScreen::view() {
    if (!m_host) {
        m_host = new ViewHost(*m_ui, m_controller->view());
        m_host->setObjectName(QStringLiteral("historyChart"));
        m_host->installEventFilter(this);
        buildControls();
    }
    return m_host;
}

void HistoryScreen::buildControls() {
    const auto tr = [this](const char* key) { return QString::fromStdString(m_app.localized(key)); };
    m_ranges = new SegmentedControl({tr("RangeAll"), tr("RangeWeek"), tr("RangeMonth"), tr("RangeYear")}, m_host);
    m_ranges->setObjectName(QStringLiteral("historyRange"));
    m_older = new QToolButton(m_host);
    m_older->setObjectName(QStringLiteral("historyOlder"));
    m_older->setText(QStringLiteral("\u2039"));
    m_older->setToolTip(tr("OlderPeriod"));
    m_newer = new QToolButton(m_host);
    m_newer->setObjectName(QStringLiteral("historyNewer"));
    m_newer->setText(QStringLiteral("\u203A"));
    m_newer->setToolTip(tr("NewerPeriod"));
    for (QToolButton* arrow : {m_older.data(), m_newer.data()}) {
        arrow->setAutoRaise(true);
        arrow->setStyleSheet(
            QStringLiteral("QToolButton { color: white; font-size: 22px; border: none; }"
                           "QToolButton:disabled { color: rgba(255, 255, 255, 60); }"));
    }
    // Just under the chart header, centred over the chart; the arrows flank the control.
    const Rect chart = m_controller->barChartView()->frame();
    const double headerHeight =
        m_controller->barChartView()->headerView() ? m_controller->barChartView()->headerView()->frame().height : 0;
    const int controlWidth = std::min(240, static_cast<int>(chart.width) - 80);
    const int y = static_cast<int>(chart.y + headerHeight) + 2;
    const int x = static_cast<int>(chart.midX()) - controlWidth / 2;
    m_ranges->setGeometry(x, y, controlWidth, 26);
    m_older->setGeometry(x - 34, y - 2, 30, 30);
    m_newer->setGeometry(x + controlWidth + 4, y - 2, 30, 30);
    for (int i = 0; i < 4; ++i)
        if (kRanges[i] == m_controller->range()) m_ranges->setSelectedIndex(i);
    QObject::connect(m_ranges, &SegmentedControl::selectedChanged, this, [this](int index) {
        m_controller->setRange(kRanges[index]);
        refreshControls();
    });
    QObject::connect(m_older, &QToolButton::clicked, this, [this] {
        m_controller->showOlderPage();
        refreshControls();
    });
    QObject::connect(m_newer, &QToolButton::clicked, this, [this] {
        m_controller->showNewerPage();
        refreshControls();
    });
    refreshControls();
}

void HistoryScreen::refreshControls() {
    if (!m_older || !m_newer) return;
    m_older->setEnabled(m_controller->canShowOlderPage());
    m_newer->setEnabled(m_controller->canShowNewerPage());
    if (m_host) m_host->update();
}

bool HistoryScreen::swipe(QPointF from, QPointF to) {
    const double dx = to.x() - from.x(), dy = to.y() - from.y();
    if (std::abs(dx) < kSwipeDistance || std::abs(dx) < 2 * std::abs(dy)) return false;
    const bool paged = dx > 0 ? m_controller->showOlderPage() : m_controller->showNewerPage();
    refreshControls();
    return paged;
}

bool HistoryScreen::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::TouchBegin;
    const bool lift = type == QEvent::MouseButtonRelease || type == QEvent::TouchEnd;
    // Pointer events only: the host also reports its children leaving while it is torn down, when it
    // is no longer a ViewHost and must not be looked at through one.
    if ((press || lift) && watched == m_host) {
        std::optional<QPointF> at;
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)
            at = static_cast<QMouseEvent*>(event)->position();
        else if (!static_cast<QTouchEvent*>(event)->points().isEmpty())
            at = static_cast<QTouchEvent*>(event)->points().first().position();
        if (at && press) m_pressedAt = at;
        if (at && lift && m_pressedAt) {
            const QPointF from = *m_pressedAt;
            m_pressedAt.reset();
            // The chart sees the lift first, so the panel hides before the bars change.
            QMetaObject::invokeMethod(
                this, [this, from, to = *at] { swipe(from, to); }, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
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
    refreshControls();
    if (m_host) m_host->update();
}

}  // namespace vantro::gui
