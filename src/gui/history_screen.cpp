// SPDX-License-Identifier: MIT
// The history tab: the bar chart of every stored day, drawn through the Qt canvas.
#include "gui/history_screen.h"

#include "charts/ui_context.h"
#include "gui/controls.h"
#include "gui/theme.h"
#include "gui/view_host.h"
#include "screens/chart_view_controller.h"

#include <QKeyEvent>
#include <QLabel>
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
        // The chart keeps the layout of the size it was made for and is scaled into whatever it gets.
        const Size made = m_controller->viewSize();
        m_host->setLayoutSize(QSizeF(made.width, made.height));
        m_host->setGroundColor(QColor::fromRgbF(kChartGround.r, kChartGround.g, kChartGround.b));
        m_host->setFocusPolicy(Qt::StrongFocus);
        m_host->setAccessibleName(QString::fromStdString(m_app.localized("label.history.title")));
        buildControls();
        setUpKeyboardAndReader();
    }
    return m_host;
}

void HistoryScreen::buildControls() {
    const auto tr = [this](const char* key) { return QString::fromStdString(m_app.localized(key)); };
    m_ranges = new SegmentedControl({tr("RangeAll"), tr("RangeWeek"), tr("RangeMonth"), tr("RangeYear")}, m_host);
    m_ranges->setObjectName(QStringLiteral("historyRange"));
    m_ranges->setAccessibleName(tr("gui.history.range"));
    m_older = new QToolButton(m_host);
    m_older->setObjectName(QStringLiteral("historyOlder"));
    m_older->setText(QStringLiteral("\u2039"));
    m_older->setToolTip(tr("OlderPeriod"));
    m_older->setAccessibleName(tr("OlderPeriod"));
    m_newer = new QToolButton(m_host);
    m_newer->setObjectName(QStringLiteral("historyNewer"));
    m_newer->setText(QStringLiteral("\u203A"));
    m_newer->setToolTip(tr("NewerPeriod"));
    m_newer->setAccessibleName(tr("NewerPeriod"));
    // Over the dark chart the ring is the orange one; the control is drawn as before in a finger-high target.
    m_ranges->setDrawnHeight(26);
    m_ranges->setRingColour(colours::kRingOnDark);
    for (QToolButton* arrow : {m_older.data(), m_newer.data()}) {
        arrow->setAutoRaise(true);
        arrow->setStyleSheet(QStringLiteral("QToolButton { color: white; font-size: 22px; border: none; }"
                                            "QToolButton:disabled { color: rgba(255, 255, 255, 60); }"
                                            "QToolButton:focus { border: 2px solid %1; border-radius: 8px; }")
                                 .arg(colours::kRingOnDark.name()));
    }
    // The keyboard goes as the eye reads them: earlier, the ranges, later.
    QWidget::setTabOrder(m_older, m_ranges);
    QWidget::setTabOrder(m_ranges, m_newer);
    placeControls();
    QObject::connect(m_host, &ViewHost::rootPlaced, this, [this] { placeControls(); });
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

void HistoryScreen::placeControls() {
    if (!m_host || !m_ranges) return;
    // Just under the chart header, centred over the chart; the arrows flank the control.
    const Rect chart = m_controller->barChartView()->frame();
    const double headerHeight =
        m_controller->barChartView()->headerView() ? m_controller->barChartView()->headerView()->frame().height : 0;
    const QRectF onScreen = m_host->fromRoot(QRectF(chart.x, chart.y, chart.width, chart.height));
    // Each is a finger's target (44 high, the arrows 44 wide) round what is drawn, which stays as it was:
    // the control 26 high from 2 px under the header, the arrows beside it.
    constexpr int kTarget = 44;
    const int controlWidth = std::max(120, std::min(248, static_cast<int>(onScreen.width()) - 2 * kTarget - 16));
    const int y = static_cast<int>(m_host->fromRoot(QPointF(0, chart.y + headerHeight)).y()) + 2 - (kTarget - 26) / 2;
    const int x = static_cast<int>(onScreen.center().x()) - controlWidth / 2;
    m_ranges->setGeometry(x, y, controlWidth, kTarget);
    m_older->setGeometry(x - kTarget, y, kTarget, kTarget);
    m_newer->setGeometry(x + controlWidth, y, kTarget, kTarget);
    if (m_empty) m_empty->setGeometry(onScreen.adjusted(16, headerHeight + 40, -16, -40).toRect());
}

void HistoryScreen::setUpKeyboardAndReader() {
    m_empty = new QLabel(QString::fromStdString(m_app.localized("gui.history.empty")), m_host);
    m_empty->setObjectName(QStringLiteral("historyEmpty"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_empty->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 170); font-size: 15px;"));
    m_empty->hide();
    placeControls();
    ViewHost::AccessibleSource reader;
    reader.items = [this] {
        std::vector<AccessibleItem> items;
        const auto& symbols = m_controller->monthlySymbols();
        const auto& data = m_controller->chartData();
        for (int i = 0;
             i < m_controller->barCount() && i < static_cast<int>(symbols.size()) && i < static_cast<int>(data.size());
             ++i) {
            AccessibleItem item;
            item.name = QString::fromStdString(symbols[static_cast<size_t>(i)]);
            // What the panel says of the bar, figure and unit alike.
            const auto [value, unit] = m_controller->valueTextAtIndex(i);
            item.value =
                m_controller->barIsEmpty(i) ? QString::fromStdString(unit) : QString::fromStdString(value + " " + unit);
            item.rect = barRectInRoot(i).toAlignedRect();
            item.selected = i == m_keyBar;
            items.push_back(std::move(item));
        }
        return items;
    };
    reader.focusItem = [this] { return m_keyBar; };
    reader.activate = [this](int index) { selectBar(index); };
    m_host->setAccessibleSource(std::move(reader));
}

QRectF HistoryScreen::barRectInRoot(int index) const {
    const auto& chart = m_controller->barChartView();
    if (!chart) return {};
    m_controller->view()->layoutIfNeeded();
    if (index < 0 || static_cast<std::size_t>(index) >= chart->barCount()) return {};
    const Rect bar = chart->barFrame(static_cast<std::size_t>(index));
    const Point topLeft = chart->convertPoint(bar.origin(), *m_controller->view());
    const Rect chartFrame = chart->frame();
    // The bar's column over the chart's height: where a finger selects it, whether the bar is tall or low.
    return QRectF(topLeft.x, chartFrame.y, bar.width, chartFrame.height);
}

bool HistoryScreen::selectBar(int index) {
    const auto& chart = m_controller->barChartView();
    const QRectF column = barRectInRoot(index);
    if (!chart || column.isNull()) return false;
    m_keyBar = index;
    chart->touchesBegan({Touch{{column.center().x(), column.center().y()}}});
    announceFocusItem(m_host, index);
    if (m_host) m_host->update();
    return true;
}

void HistoryScreen::clearBarSelection() {
    const auto& chart = m_controller->barChartView();
    const QRectF column = barRectInRoot(m_keyBar);
    m_keyBar = -1;
    if (chart && !column.isNull()) chart->touchesEnded({Touch{{column.center().x(), column.center().y()}}});
    if (m_host) m_host->update();
}

bool HistoryScreen::handleKey(int key) {
    const int bars = m_controller->barCount();
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            if (bars <= 0) return false;
            // The first key picks the newest bar; then the arrows walk along the days.
            int to = m_keyBar < 0 ? bars - 1 : m_keyBar + (key == Qt::Key_Left ? -1 : 1);
            to = std::clamp(to, 0, bars - 1);
            return selectBar(to);
        }
        case Qt::Key_Home:
            return bars > 0 && selectBar(0);
        case Qt::Key_End:
            return bars > 0 && selectBar(bars - 1);
        case Qt::Key_PageUp:
            clearBarSelection();
            m_controller->showOlderPage();
            refreshControls();
            return true;
        case Qt::Key_PageDown:
            clearBarSelection();
            m_controller->showNewerPage();
            refreshControls();
            return true;
        case Qt::Key_Escape:
            if (m_keyBar < 0) return false;
            clearBarSelection();
            return true;
        default:
            return false;
    }
}

void HistoryScreen::refreshControls() {
    if (!m_older || !m_newer) return;
    m_older->setEnabled(m_controller->canShowOlderPage());
    m_newer->setEnabled(m_controller->canShowNewerPage());
    if (m_keyBar >= m_controller->barCount()) m_keyBar = -1;
    if (m_empty) m_empty->setVisible(m_controller->barCount() == 0);
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
    if (type == QEvent::KeyPress && watched == m_host) {
        if (handleKey(static_cast<QKeyEvent*>(event)->key())) return true;
    }
    if (type == QEvent::FocusOut && watched == m_host && m_keyBar >= 0) clearBarSelection();
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
    if (index < 0 || static_cast<std::size_t>(index) >= chart->barCount()) return std::nullopt;
    // The middle of the bar's column, half-way up the chart: inside the bar's band even when it is low.
    const QPointF inRoot = barRectInRoot(index).center();
    return m_host ? m_host->fromRoot(inRoot) : inRoot;
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
