// SPDX-License-Identifier: MIT
// The phone-sized window: a tab per screen with a navigation bar, and modal pages sliding over it.
#include "gui/main_window.h"

#include "gui/accessibility.h"
#include "gui/app_fonts.h"
#include "gui/navigation_bar.h"
#include "gui/screen.h"
#include "gui/tab_bar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVariantAnimation>

namespace vantro::gui {
namespace {

/// The red veil of the vibration alert; fades out and deletes itself.
class FlashOverlay : public QWidget {
public:
    explicit FlashOverlay(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->rect());
        auto* anim = new QVariantAnimation(this);
        anim->setDuration(450);
        anim->setStartValue(0.45);
        anim->setEndValue(0.0);
        connect(anim, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_opacity = v.toDouble();
            update();
        });
        connect(anim, &QVariantAnimation::finished, this, &QObject::deleteLater);
        show();
        raise();
        anim->start();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QColor c = colours::kDestructive;
        c.setAlphaF(m_opacity);
        p.fillRect(rect(), c);
    }

private:
    double m_opacity = 0.45;
};

QWidget* makePlaceholder(const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QStringLiteral("comingLabel"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFont(AppFonts::font(16));
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; }")
                             .arg(colours::kSecondaryText.name(), colours::kGroupedBackground.name()));
    return label;
}

}  // namespace

ModalPage::ModalPage(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), m_bar(new NavigationBar(this)), m_content(content) {
    setObjectName(QStringLiteral("modalPage"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colours::kGroupedBackground);
    setPalette(pal);
    m_bar->setTitle(title);
    if (m_content) m_content->setParent(this);
}

void ModalPage::keyPressEvent(QKeyEvent* event) {
    // Keys the focused control leaves alone: Escape cancels, Return confirms, as the bar's buttons do.
    QAbstractButton* button = nullptr;
    if (event->key() == Qt::Key_Escape) {
        button = m_bar->leftButton();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused push button answers Return itself; anywhere else (a field, a switch, a choice) Return is
        // the bar's OK, or the page's only button where its choices are stored as they are picked.
        auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        QAbstractButton* confirm = m_bar->rightButton() ? m_bar->rightButton() : m_bar->leftButton();
        button = focused && isAncestorOf(focused) && !focused->isCheckable() ? focused : confirm;
    }
    if (button && button->isEnabled()) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ModalPage::resizeEvent(QResizeEvent*) {
    auto* window = qobject_cast<MainWindow*>(parentWidget());
    const int barHeight = window ? window->metrics().navBarHeight : 44;
    m_bar->setGeometry(0, 0, width(), barHeight);
    if (m_content) m_content->setGeometry(0, barHeight, width(), height() - barHeight);
}

MainWindow::MainWindow(const Metrics& metrics, QWidget* parent)
    : QWidget(parent), m_metrics(metrics), m_stack(new QStackedWidget(this)), m_tabBar(new TabBar(this)) {
    installAccessibility();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Vantro"));
    // The reference size is where the window starts; it lays itself out for whatever size it gets
    // (phone shells maximise it, desktops let it be resized), down to the smallest phones.
    setMinimumSize(kMinimumSize);
    resize(metrics.window);
    setFocusPolicy(Qt::NoFocus);
    connect(m_tabBar, &TabBar::currentChanged, this, [this](int i) { switchTo(i); });
    // Ctrl+1 ... Ctrl+4 switch tabs from anywhere in the window.
    for (int i = 0; i < 9; ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)), this);
        connect(shortcut, &QShortcut::activated, this, [this, i] {
            if (i < static_cast<int>(m_tabs.size()) && !topModal()) setCurrentTab(i);
        });
    }
    // Ctrl+W is the close button (the companion may stay); Ctrl+Q ends the companion.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this), &QShortcut::activated, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this,
            &MainWindow::quitRequested);
    // Return presses the focused button, whatever kind it is (Qt leaves it to Space outside dialogs).
    qApp->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    // A choice (a switch, a radio button) is left to its page, where Return saves or closes.
    if (!button || button->isCheckable() || !button->hasFocus() || !button->isEnabled() || !isAncestorOf(button))
        return false;
    button->click();
    return true;
}

void MainWindow::fitToScreen() {
    const QScreen* s = QWidget::screen();
    if (!s) return;
    const QSize room = s->availableGeometry().size();
    resize(size().boundedTo(room).expandedTo(minimumSize()));
}

MainWindow::~MainWindow() = default;

int MainWindow::addTab(const QString& icon, const QString& label, Screen* screen, const QString& placeholderTitle,
                       const QString& placeholder) {
    return appendTab(icon, label, screen, screen ? screen->view() : makePlaceholder(placeholder),
                     screen ? screen->title() : placeholderTitle);
}

int MainWindow::addLazyTab(const QString& icon, const QString& label, const QString& title,
                           std::function<Screen*()> make) {
    // An empty page costs nothing to lay out and nobody sees it before the screen takes its place.
    const int index = appendTab(icon, label, nullptr, new QWidget, title);
    m_tabs[static_cast<size_t>(index)].make = std::move(make);
    return index;
}

int MainWindow::appendTab(const QString& icon, const QString& label, Screen* screen, QWidget* content,
                          const QString& title) {
    Tab tab;
    tab.page = new QWidget;
    tab.bar = new NavigationBar(tab.page);
    tab.content = content;
    tab.content->setParent(tab.page);
    tab.screen = screen;
    tab.bar->setTitle(title);
    m_stack->addWidget(tab.page);
    m_tabs.push_back(tab);
    m_tabBar->addTab(icon, label);
    layoutTab(m_tabs.back());
    if (m_current < 0) m_current = 0;
    return static_cast<int>(m_tabs.size()) - 1;
}

Screen* MainWindow::ensureScreen(int index) {
    if (index < 0 || index >= static_cast<int>(m_tabs.size())) return nullptr;
    Tab& tab = m_tabs[static_cast<size_t>(index)];
    if (!tab.screen && tab.make) {
        const auto make = std::move(tab.make);
        tab.make = nullptr;
        setScreen(index, make());
    }
    return tab.screen;
}

void MainWindow::setScreen(int index, Screen* screen) {
    if (index < 0 || index >= static_cast<int>(m_tabs.size()) || !screen) return;
    Tab& tab = m_tabs[index];
    if (tab.screen && index == m_current && m_appeared) tab.screen->viewWillDisappear();
    delete tab.content;
    tab.screen = screen;
    tab.content = screen->view();
    tab.content->setParent(tab.page);
    tab.content->show();
    tab.bar->setTitle(screen->title());
    layoutTab(tab);
    if (index == m_current && m_appeared) {
        screen->viewWillAppear();
        QTimer::singleShot(0, this, [screen] { screen->viewDidAppear(); });
    }
}

Screen* MainWindow::screen(int tab) const {
    return tab >= 0 && tab < static_cast<int>(m_tabs.size()) ? m_tabs[tab].screen : nullptr;
}

NavigationBar* MainWindow::navigationBar(int tab) const {
    return tab >= 0 && tab < static_cast<int>(m_tabs.size()) ? m_tabs[tab].bar : nullptr;
}

int MainWindow::currentTab() const {
    return m_current;
}

void MainWindow::setCurrentTab(int tab) {
    if (tab == m_tabBar->currentIndex()) return;
    m_tabBar->setCurrentIndex(tab);  // calls switchTo
}

void MainWindow::refreshTitle(int tab) {
    if (Screen* s = screen(tab)) m_tabs[tab].bar->setTitle(s->title());
}

void MainWindow::switchTo(int index) {
    if (index < 0 || index >= static_cast<int>(m_tabs.size())) return;
    Screen* old = screen(m_current);
    Screen* next = ensureScreen(index);
    if (old && m_appeared && m_current != index) old->viewWillDisappear();
    m_current = index;
    if (next && m_appeared) next->viewWillAppear();
    m_stack->setCurrentIndex(index);
    // The keyboard follows the tab: the first control of the new screen takes the focus.
    if (m_appeared && m_tabs[index].content && !topModal()) focusFirstIn(m_tabs[index].content);
    if (next && m_appeared) {
        QTimer::singleShot(0, this, [this, index, next] {
            if (m_current == index && screen(index) == next) next->viewDidAppear();
        });
    }
    emit tabChanged(index);
}

void MainWindow::layoutTab(Tab& tab) {
    const int contentHeight = height() - m_metrics.tabBarHeight;
    tab.page->setGeometry(0, 0, width(), contentHeight);
    tab.bar->setGeometry(0, 0, width(), m_metrics.navBarHeight);
    if (tab.content)
        tab.content->setGeometry(0, m_metrics.navBarHeight, width(), contentHeight - m_metrics.navBarHeight);
}

void MainWindow::resizeEvent(QResizeEvent*) {
    const int contentHeight = height() - m_metrics.tabBarHeight;
    m_stack->setGeometry(0, 0, width(), contentHeight);
    m_tabBar->setGeometry(0, contentHeight, width(), m_metrics.tabBarHeight);
    for (auto& tab : m_tabs) layoutTab(tab);
    for (auto& m : m_modals) {
        if (m) m->setGeometry(rect());
    }
}

void MainWindow::showEvent(QShowEvent*) {
    // A window shown before its tabs (the start maps it first) appears once they are there: tabsAdded().
    if (m_appeared || m_tabs.empty()) return;
    m_appeared = true;
    currentAppeared();
}

void MainWindow::tabsAdded() {
    if (m_appeared || m_tabs.empty() || !isVisible()) return;
    m_appeared = true;
    currentAppeared();
}

void MainWindow::currentAppeared() {
    if (m_current >= 0 && m_tabs[m_current].content && !topModal()) focusFirstIn(m_tabs[m_current].content);
    if (Screen* s = screen(m_current)) {
        s->viewWillAppear();
        QTimer::singleShot(0, this, [this, s] {
            if (screen(m_current) == s) s->viewDidAppear();
        });
    }
}

void MainWindow::presentModal(QWidget* page, bool animated) {
    page->setParent(this);
    page->setGeometry(rect());
    m_modals.emplace_back(page);
    page->show();
    page->raise();
    m_focusBeforeModal.emplace_back(focusWidget());
    focusFirstIn(page);
    if (animated && m_animated) {
        auto* anim = new QPropertyAnimation(page, "pos", page);
        anim->setDuration(280);
        anim->setStartValue(QPoint(0, height()));
        anim->setEndValue(QPoint(0, 0));
        anim->setEasingCurve(QEasingCurve::OutCubic);
        // What the page covers is hidden once it is in place, so a screen reader no longer lists it.
        connect(anim, &QPropertyAnimation::finished, this, &MainWindow::hideCovered);
        anim->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        hideCovered();
    }
    emit modalPresented(page);
}

void MainWindow::dismissModal(QWidget* page, bool animated) {
    auto it = std::find(m_modals.begin(), m_modals.end(), page);
    if (it == m_modals.end()) return;
    const auto at = it - m_modals.begin();
    m_modals.erase(it);
    // The focus goes back where it was before the page came, or to the page below.
    QPointer<QWidget> before;
    if (at < static_cast<long>(m_focusBeforeModal.size())) {
        before = m_focusBeforeModal[static_cast<size_t>(at)];
        m_focusBeforeModal.erase(m_focusBeforeModal.begin() + at);
    }
    page->setEnabled(false);  // nothing on its way out keeps the keyboard
    // What lies below shows again before the page leaves (and before the focus goes back into it).
    if (QWidget* below = topModal())
        below->show();
    else
        showScreens();
    if (before && before->isVisible() && before->isEnabled())
        before->setFocus(Qt::OtherFocusReason);
    else if (QWidget* below = topModal())
        focusFirstIn(below);
    else if (m_current >= 0 && m_tabs[m_current].content)
        focusFirstIn(m_tabs[m_current].content);
    if (animated && m_animated && page->isVisible()) {
        page->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* anim = new QPropertyAnimation(page, "pos", page);
        anim->setDuration(240);
        anim->setStartValue(page->pos());
        anim->setEndValue(QPoint(0, height()));
        anim->setEasingCurve(QEasingCurve::InCubic);
        connect(anim, &QPropertyAnimation::finished, page, &QObject::deleteLater);
        anim->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        page->hide();
        page->deleteLater();
    }
    emit modalDismissed(page);
}

void MainWindow::hideCovered() {
    QWidget* top = topModal();
    if (!top || top->pos() != QPoint(0, 0)) return;  // none, or still sliding in
    for (auto& m : m_modals)
        if (m && m != top) m->hide();
    m_stack->hide();
    m_tabBar->hide();
}

void MainWindow::showScreens() {
    m_stack->show();
    m_tabBar->show();
}

QWidget* MainWindow::topModal() const {
    for (auto it = m_modals.rbegin(); it != m_modals.rend(); ++it) {
        if (*it) return *it;
    }
    return nullptr;
}

bool MainWindow::focusFirstIn(QWidget* area) {
    if (!area) return false;
    if (auto* modal = qobject_cast<ModalPage*>(area); modal && focusFirstIn(modal->content())) return true;
    if (area->focusPolicy() & Qt::TabFocus) {
        area->setFocus(Qt::TabFocusReason);
        return true;
    }
    // A control first (an editor inside a form, not the scroll area around it), else any taker.
    for (bool controlsOnly : {true, false}) {
        QWidget* w = area->nextInFocusChain();
        for (int guard = 0; w && w != area && guard < 1000; ++guard, w = w->nextInFocusChain()) {
            if (controlsOnly && qobject_cast<QScrollArea*>(w)) continue;
            if (area->isAncestorOf(w) && w->isVisibleTo(area) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                w->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return false;
}

std::vector<QWidget*> MainWindow::focusOrder() const {
    // Tab goes through the page on top (a modal page, or the current tab's bar and screen) and then, when
    // no page covers the screen, the tab bar.
    QWidget* area = topModal();
    QWidget* bar = nullptr;
    if (auto* modal = qobject_cast<ModalPage*>(area)) bar = modal->navigationBar();
    if (!area && m_current >= 0 && m_current < static_cast<int>(m_tabs.size())) {
        area = m_tabs[m_current].page;
        bar = m_tabs[m_current].bar;
    }
    std::vector<QWidget*> order;
    if (!area) return order;
    auto takes = [area](QWidget* w) {
        return area->isAncestorOf(w) && w->isVisibleTo(area) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
    };
    // A control that hands its focus to a part of it (a spin box to its text field) is one stop, the part:
    // listing both would send Tab to the control, which gives it straight back to the part.
    auto stop = [](QWidget* w) {
        for (int guard = 0; w->focusProxy() && guard < 8; ++guard) w = w->focusProxy();
        return w;
    };
    // The bar's buttons first, then the screen's controls in their chain order.
    for (bool inBar : {true, false}) {
        QWidget* w = area;
        for (int guard = 0; guard < 1000; ++guard) {
            w = w->nextInFocusChain();
            if (!w || w == area) break;
            const bool ofBar = bar && bar->isAncestorOf(w);
            if (ofBar == inBar && takes(w) && std::find(order.begin(), order.end(), stop(w)) == order.end())
                order.push_back(stop(w));
        }
    }
    if (!topModal() && m_tabBar->isVisible()) order.push_back(m_tabBar);
    return order;
}

bool MainWindow::focusNextPrevChild(bool next) {
    const std::vector<QWidget*> order = focusOrder();
    if (order.empty()) return false;
    QWidget* current = focusWidget();
    while (current && std::find(order.begin(), order.end(), current) == order.end() && current != this)
        current = current->parentWidget();  // a part of a compound control counts as the control
    const auto it = std::find(order.begin(), order.end(), current);
    const long n = static_cast<long>(order.size());
    long i = it == order.end() ? (next ? -1 : 0) : it - order.begin();
    i = ((next ? i + 1 : i - 1) % n + n) % n;
    order[static_cast<size_t>(i)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void MainWindow::flash() {
    new FlashOverlay(this);
}

}  // namespace vantro::gui
