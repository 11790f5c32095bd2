// SPDX-License-Identifier: MIT
// A screen: its view, title, life-cycle calls and child screens, without a toolkit.
#include "screens/view_controller.h"

namespace vantro {

ViewController::ViewController(VantroAppDelegate& app, UiContext& ui, Size viewSize, double navigationBarBottom)
    : m_app(app), m_ui(ui), m_viewSize(viewSize), m_navigationBarBottom(navigationBarBottom) {}

ViewController::~ViewController() {
    for (auto& child : m_children) child->m_parent = nullptr;
}

const std::shared_ptr<View>& ViewController::view() {
    if (!m_view) {
        loadView();
        if (!m_view) m_view = std::make_shared<View>(m_ui, Rect{0, 0, m_viewSize.width, m_viewSize.height});
        viewDidLoad();
    }
    return m_view;
}

void ViewController::loadView() {
    m_view = std::make_shared<View>(m_ui, Rect{0, 0, m_viewSize.width, m_viewSize.height});
}

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this) return;
    child->m_parent = this;
    m_children.push_back(child);
}

std::string ViewController::localized(std::string_view key) const {
    // A catalog maps the empty key to its header, never to a text.
    if (key.empty()) return {};
    return m_app.localized(key);
}

}  // namespace vantro
