// SPDX-License-Identifier: MIT
// The history tab: the bar chart of every stored day, drawn through the Qt canvas.
#pragma once

#include "gui/controls.h"
#include "gui/qt_canvas.h"
#include "gui/screen.h"
#include "gui/view_host.h"
#include "platform/services.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QLabel>
#include <QToolButton>

#include <memory>
#include <optional>

namespace vantro {
class ChartViewController;
class RunLoop;
class UiContext;
class VantroAppDelegate;
}  // namespace vantro

namespace vantro::gui {

/// Hosts ChartViewController's view; collapses before it shows and grows the bars once shown.
/// Under the chart header a segmented control picks the range, and two arrows (or a sideways
/// swipe over the chart) page through its periods.
class HistoryScreen : public QObject, public Screen {
public:
    HistoryScreen(VantroAppDelegate& app, RunLoop& loop, DeviceIdiom idiom, QSize contentSize);
    ~HistoryScreen() override;

    QWidget* view() override;
    QString title() const override;
    void viewWillAppear() override;
    void viewDidAppear() override;

    ChartViewController& controller() { return *m_controller; }
    ViewHost* host() const { return m_host; }
    /// Where bar `index` is, in the host's coordinates; absent when there is no such bar.
    std::optional<QPointF> barCentre(int index) const;
    SegmentedControl* rangeControl() const { return m_ranges; }
    QToolButton* olderButton() const { return m_older; }
    QToolButton* newerButton() const { return m_newer; }
    /// The bar the keyboard chose (shown as selected), or -1. Left and Right move it.
    int keyboardBar() const { return m_keyBar; }
    /// Selects bar `index` as a finger on it would; false when there is no such bar.
    bool selectBar(int index);
    /// What the chart does with a key while it has the focus; false when the key is not its own.
    bool handleKey(int key);
    /// The line shown over an empty chart.
    QLabel* emptyLabel() const { return m_empty; }
    /// A finger that travelled from `from` to `to`: a long sideways move pages (to the right: older).
    /// True when it paged.
    bool swipe(QPointF from, QPointF to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    VantroAppDelegate& m_app;
    QtTextMeasurer m_text;
    std::unique_ptr<UiContext> m_ui;
    std::unique_ptr<ChartViewController> m_controller;
    QPointer<ViewHost> m_host;
    QPointer<SegmentedControl> m_ranges;
    QPointer<QToolButton> m_older;
    QPointer<QToolButton> m_newer;
    std::optional<QPointF> m_pressedAt;

    QPointer<QLabel> m_empty;
    int m_keyBar = -1;

    void buildControls();
    void placeControls();
    void setUpKeyboardAndReader();
    void refreshControls();
    void clearBarSelection();
    QRectF barRectInRoot(int index) const;
};

}  // namespace vantro::gui
