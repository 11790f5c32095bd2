// SPDX-License-Identifier: MIT
// The phone-sized window: a tab per screen with a navigation bar, and modal pages sliding over it.
#pragma once

#include "gui/theme.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QStackedWidget;

namespace vantro::gui {

class NavigationBar;
class Screen;
class TabBar;

/// A modal page: navigation bar with "Cancel" at the left and "OK" at the right, content below.
class ModalPage : public QWidget {
    Q_OBJECT
public:
    ModalPage(const QString& title, QWidget* content, QWidget* parent = nullptr);
    NavigationBar* navigationBar() const { return m_bar; }
    QWidget* content() const { return m_content; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    NavigationBar* m_bar;
    QWidget* m_content;
};

/// The main window: tabs of screens and a stack of modal pages.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    /// The smallest size every screen still works at: the Linux phones at scale 2, a short desktop screen.
    static constexpr QSize kMinimumSize{360, 460};

    /// Starts at the metrics' reference size; resizable.
    explicit MainWindow(const Metrics& metrics, QWidget* parent = nullptr);
    ~MainWindow() override;
    /// Shrinks the window to the screen's free area when the reference size does not fit there.
    void fitToScreen();
    /// Gives the focus to the first control in `area` that takes it from the keyboard (on a modal page,
    /// the first of its content); false when there is none.
    static bool focusFirstIn(QWidget* area);

    const Metrics& metrics() const { return m_metrics; }

    /// Adds a tab; a null screen shows `placeholder` until setScreen replaces it.
    int addTab(const QString& icon, const QString& label, Screen* screen, const QString& placeholderTitle = {},
               const QString& placeholder = {});
    /// Adds a tab whose screen is made by `make` the first time the tab is shown or asked for
    /// (ensureScreen); until then `title` stands in its navigation bar and its page is empty.
    int addLazyTab(const QString& icon, const QString& label, const QString& title, std::function<Screen*()> make);
    void setScreen(int tab, Screen* screen);
    /// For a window shown before its tabs were added: its current screen appears now, as at a show.
    void tabsAdded();
    /// The screen of a tab; null when there is none or it has not been made yet.
    Screen* screen(int tab) const;
    /// The screen of a tab, made now when it was left for later.
    Screen* ensureScreen(int tab);
    NavigationBar* navigationBar(int tab) const;
    TabBar* tabBar() const { return m_tabBar; }
    int currentTab() const;
    void setCurrentTab(int tab);
    /// Re-reads a screen's title into its navigation bar.
    void refreshTitle(int tab);

    /// Presents a page over everything, sliding up when animated; the window takes ownership.
    void presentModal(QWidget* page, bool animated = true);
    /// Dismisses a presented page (sliding down when animated) and deletes it afterwards.
    void dismissModal(QWidget* page, bool animated = true);
    QWidget* topModal() const;
    int modalCount() const { return static_cast<int>(m_modals.size()); }

    /// Animations on or off (the screenshot tour and tests turn them off for determinism).
    void setAnimationsEnabled(bool enabled) { m_animated = enabled; }
    bool animationsEnabled() const { return m_animated; }

    /// The controls Tab goes through now, in order.
    std::vector<QWidget*> focusOrder() const;

    /// A short red flash over the window: the vibration alert made visible.
    void flash();

signals:
    void tabChanged(int tab);
    /// Ctrl+Q: the companion is to end, as the menu's Quit ends it.
    void quitRequested();
    void modalPresented(QWidget* page);
    void modalDismissed(QWidget* page);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tab {
        QWidget* page = nullptr;  // navigation bar + content
        NavigationBar* bar = nullptr;
        QWidget* content = nullptr;
        Screen* screen = nullptr;
        std::function<Screen*()> make;  // until the screen is made
    };
    int appendTab(const QString& icon, const QString& label, Screen* screen, QWidget* content, const QString& title);
    void layoutTab(Tab& tab);
    void switchTo(int tab);
    /// The current tab's screen appears and takes the focus: when the window is first shown, or when its
    /// first tab comes after that.
    void currentAppeared();
    /// Hides the screens and pages under the top page once it covers them; showScreens brings the screens back.
    void hideCovered();
    void showScreens();

    Metrics m_metrics;
    QStackedWidget* m_stack;
    TabBar* m_tabBar;
    std::vector<Tab> m_tabs;
    std::vector<QPointer<QWidget>> m_modals;
    std::vector<QPointer<QWidget>> m_focusBeforeModal;  // one per modal page
    int m_current = -1;
    bool m_animated = true;
    bool m_appeared = false;
};

}  // namespace vantro::gui
