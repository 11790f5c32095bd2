// SPDX-License-Identifier: MIT
// The sleep tab: the pie of the chosen night above the list of stored nights.
#pragma once

#include "gui/qt_canvas.h"
#include "gui/screen.h"
#include "gui/view_host.h"
#include "platform/services.h"
#include "gui/table_view.h"

#include <QLabel>
#include <QPointer>
#include <QSize>

#include <memory>
#include <optional>

namespace vantro {
class RunLoop;
class SleepMainViewController;
class UiContext;
class VantroAppDelegate;
}  // namespace vantro

namespace vantro::gui {

/// Builds the sleep screens the first time the tab shows (the list reads the nights then, once),
/// scrolled to the newest night and showing it in the pie.
class SleepScreen : public Screen, public TableSource {
public:
    SleepScreen(VantroAppDelegate& app, RunLoop& loop, DeviceIdiom idiom, QSize contentSize);
    ~SleepScreen() override;

    QWidget* view() override;
    QString title() const override;
    void viewWillAppear() override;
    void viewDidAppear() override;

    int sectionCount() const override { return 1; }
    int rowCount(int section) const override;
    double rowHeight(int, int) const override { return 58; }
    TableRow row(int section, int row) override;
    void didSelect(int section, int row) override;

    /// Null until the tab has been shown.
    SleepMainViewController* controller() const { return m_main.get(); }
    ViewHost* host() const { return m_host; }
    TableView* table() const { return m_table; }
    /// The line that says how to show a night; hidden once one is chosen.
    QLabel* hint() const { return m_hint; }
    int selectedRow() const { return m_selected; }
    /// The slice the keyboard is on, or -1.
    int keyboardSlice() const { return m_keySlice; }
    /// The middle of slice `index` of the pie, in the host's coordinates; absent when it has no such slice.
    std::optional<QPointF> sliceCentre(int index) const;

private:
    void build();
    void placeViews();
    std::vector<AccessibleItem> sliceItems() const;
    std::optional<QPointF> sliceCentreInRoot(int index) const;
    /// The pie's labels at least this many pixels high on screen, whatever the window's size.
    static constexpr double kMinPieLabelPx = 10.0;
    void keepPieLabelsReadable();
    bool handlePieKey(int key);
    /// Taps slice `index` as a finger would and makes it the keyboard's slice.
    bool tapSlice(int index);

    VantroAppDelegate& m_app;
    QSize m_size;
    QtTextMeasurer m_text;
    std::unique_ptr<UiContext> m_ui;
    std::shared_ptr<SleepMainViewController> m_main;
    QPointer<QWidget> m_container;
    QPointer<ViewHost> m_host;
    QPointer<TableView> m_table;
    QPointer<QLabel> m_hint;
    int m_selected = -1;
    int m_keySlice = -1;
    std::optional<double> m_pieFontSize;  // the labels' size in the pie's own layout
};

}  // namespace vantro::gui
