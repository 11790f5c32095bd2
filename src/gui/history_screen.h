// SPDX-License-Identifier: MIT
// The history tab: the bar chart of every stored day, drawn through the Qt canvas.
#pragma once

#include "gui/qt_canvas.h"
#include "gui/screen.h"
#include "gui/view_host.h"
#include "platform/services.h"

#include <QPointer>
#include <QSize>

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
class HistoryScreen : public Screen {
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

private:
    VantroAppDelegate& m_app;
    QtTextMeasurer m_text;
    std::unique_ptr<UiContext> m_ui;
    std::unique_ptr<ChartViewController> m_controller;
    QPointer<ViewHost> m_host;
};

}  // namespace vantro::gui
