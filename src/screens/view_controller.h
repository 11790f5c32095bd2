// SPDX-License-Identifier: MIT
// A screen: its view, title, life-cycle calls and child screens, without a toolkit.
#pragma once

#include "app/vantro_app_delegate.h"
#include "charts/view.h"

#include <memory>
#include <string>
#include <vector>

namespace vantro {

/// The base of the screen models. The shell calls the life-cycle operations as the screen is built,
/// shown and hidden, hosts `view()` and forwards touches to it.
class ViewController {
public:
    /// `viewSize` is the size the layout gives the screen; `navigationBarBottom` the bottom edge of
    /// a navigation bar above it (0 without one).
    ViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize, double navigationBarBottom = 0);
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    /// Builds the view on first use (loadView, then viewDidLoad).
    const std::shared_ptr<View>& view();
    bool isViewLoaded() const { return m_view != nullptr; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }

    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void didReceiveMemoryWarning() {}

    ViewController* parentViewController() const { return m_parent; }
    const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return m_children; }
    void addChildViewController(const std::shared_ptr<ViewController>& child);

    VantroAppDelegate& app() const { return m_app; }
    UiContext& ui() const { return m_ui; }
    Size viewSize() const { return m_viewSize; }
    double navigationBarBottom() const { return m_navigationBarBottom; }
    /// The text of a localisation key; the empty key is the empty text.
    std::string localized(std::string_view key) const;

protected:
    void setView(std::shared_ptr<View> view) { m_view = std::move(view); }

private:
    VantroAppDelegate& m_app;
    UiContext& m_ui;
    Size m_viewSize;
    double m_navigationBarBottom;
    std::string m_title;
    std::shared_ptr<View> m_view;
    ViewController* m_parent = nullptr;
    std::vector<std::shared_ptr<ViewController>> m_children;
};

}  // namespace vantro
