// SPDX-License-Identifier: MIT
// The "Sync automatically" and "Relay notifications" pages, presented over the window like the other pages.
#include "gui/sync_relay_pages.h"

#include "gui/desktop_entries.h"
#include "gui/main_window.h"
#include "gui/navigation_bar.h"
#include "gui/theme.h"
#include "link/relay_page.h"
#include "settings/auto_sync_page.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace vantro::gui {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// How often the relay page looks for apps seen since it opened (the picker's rhythm).
constexpr int kRelayRefreshMs = 1000;

/// The page's content: a column that scrolls vertically when the window is shorter than it.
struct Column {
    QScrollArea* scroll;
    QWidget* body;
    QVBoxLayout* layout;
};

Column makeColumn(const char* name) {
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QString::fromLatin1(name));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* body = new QWidget;
    body->setObjectName(QStringLiteral("body"));
    body->setAutoFillBackground(true);
    QPalette pal = body->palette();
    pal.setColor(QPalette::Window, colours::kGroupedBackground);
    body->setPalette(pal);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(16, 12, 16, 12);
    scroll->setWidget(body);
    return {scroll, body, layout};
}

QLabel* addText(const Column& c, const std::string& text, const char* name = nullptr) {
    auto* label = new QLabel(q(text), c.body);
    if (name) label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    c.layout->addWidget(label);
    return label;
}

/// A choice the width of the page and a finger high: the whole row takes the tap, and the focus shows as
/// the tint ring round it.
class ChoiceButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;
    QSize sizeHint() const override { return QRadioButton::sizeHint().expandedTo(QSize(44, 44)); }
    QSize minimumSizeHint() const override { return QRadioButton::minimumSizeHint().expandedTo(QSize(44, 44)); }

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void paintEvent(QPaintEvent* event) override {
        QRadioButton::paintEvent(event);
        if (!hasFocus()) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colours::kTint, 2));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
};

/// Relayed apps a finger high; a tap anywhere on a row switches its app, not only on the box.
class WholeRowToggles : public QObject {
public:
    explicit WholeRowToggles(QListWidget* list) : QObject(list), m_list(list) {}
    bool eventFilter(QObject*, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        QListWidgetItem* item = m_list->itemAt(mouse->position().toPoint());
        if (mouse->button() != Qt::LeftButton || !item || !(item->flags() & Qt::ItemIsEnabled)) return false;
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        return true;
    }

private:
    QListWidget* m_list;
};

// One radio button per choice; picking one stores it at once. Arrows move between them, Tab leaves the group.
QButtonGroup* addChoices(const Column& c, const std::vector<std::string>& choices, int selected,
                         std::function<void(int)> pick) {
    auto* group = new QButtonGroup(c.body);
    for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
        auto* button = new ChoiceButton(q(choices[static_cast<std::size_t>(i)]), c.body);
        button->setObjectName(QStringLiteral("choice%1").arg(i));
        button->setChecked(i == selected);
        group->addButton(button, i);
        c.layout->addWidget(button);
    }
    QObject::connect(group, &QButtonGroup::idClicked, c.body, std::move(pick));
    return group;
}

ModalPage* present(MainWindow& window, const std::string& title, const Column& c, QButtonGroup* choices,
                   const QString& closeText, std::function<void()> closed) {
    auto* page = new ModalPage(q(title), c.scroll);
    QPointer<ModalPage> guard(page);
    MainWindow* w = &window;
    // The choices are already stored: closing is all that is left, and it sits where Escape finds it.
    page->navigationBar()->setLeftButton(closeText, [w, guard] {
        if (guard) w->dismissModal(guard);
    });
    QObject::connect(page, &QObject::destroyed, [closed = std::move(closed)] {
        if (closed) closed();
    });
    window.presentModal(page);
    // The keyboard starts on the choice in force, as a group of radio buttons does anywhere else.
    if (QAbstractButton* current = choices ? choices->checkedButton() : nullptr) current->setFocus(Qt::TabFocusReason);
    return page;
}

}  // namespace

ModalPage* showAutoSyncPage(MainWindow& window, AutoSyncPage& page, const QString& closeText,
                            std::function<void()> closed) {
    const Column c = makeColumn("autoSyncPage");
    addText(c, page.hint());
    QButtonGroup* choices = addChoices(c, page.choices(), page.selected(), [&page](int i) { page.select(i); });
    addText(c, page.lastSync(), "lastSync");
    c.layout->addStretch(1);
    return present(window, page.title(), c, choices, closeText, std::move(closed));
}

ModalPage* showRelayPage(MainWindow& window, RelayPage& page, const QString& closeText, std::function<void()> closed) {
    const Column c = makeColumn("relayPage");
    if (const std::string problem = page.problem(); !problem.empty()) addText(c, problem, "relayProblem");
    // Shown while the phone's do-not-disturb holds messages back; the switch is watched as the list is.
    QLabel* quiet = addText(c, page.doNotDisturbNote(), "relayDoNotDisturb");
    quiet->setVisible(!quiet->text().isEmpty());
    // Made in the order they stand, so Tab goes choices, then the list, then the bar's button.
    auto* list = new QListWidget;
    auto entries = std::make_shared<DesktopEntries>();
    auto shown = std::make_shared<std::vector<NotificationRelay::App>>();
    auto refill = [&page, list, entries, shown] {
        const auto apps = page.apps();
        const bool applies = page.switchesApply();
        // An app's desktop entry installed (or removed) since: its name and icon are read again.
        const bool entriesChanged = entries->refresh();
        const bool sameApps = !entriesChanged && apps.size() == shown->size() &&
                              std::equal(apps.begin(), apps.end(), shown->begin(), [](const auto& a, const auto& b) {
                                  return a.id == b.id && a.chosen == b.chosen;
                              });
        if (sameApps && list->isEnabled() == (applies && !apps.empty())) return;
        *shown = apps;
        const QSignalBlocker quiet(list);  // filling is not the user switching apps
        const int current = list->currentRow();
        list->clear();
        for (const auto& app : apps) {
            // Listed as the desktop shows the app; the identifier stays for the switch and the reader.
            const QString id = q(app.id);
            const DesktopApp shownAs = entries->find(id);
            auto* item = new QListWidgetItem(shownAs.icon, shownAs.name, list);
            item->setData(Qt::UserRole, id);
            item->setToolTip(id);
            if (shownAs.name != id) item->setData(Qt::AccessibleDescriptionRole, id);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsSelectable |
                           (applies ? Qt::ItemIsEnabled : Qt::NoItemFlags));
            item->setCheckState(app.chosen ? Qt::Checked : Qt::Unchecked);
            item->setSizeHint(QSize(0, 44));  // a finger's target, with or without an icon
        }
        list->setEnabled(applies && !apps.empty());
        if (current >= 0 && current < list->count()) list->setCurrentRow(current);
    };
    QButtonGroup* choices = addChoices(c, page.choices(), page.selected(), [&page, refill](int i) {
        page.select(i);
        refill();
    });
    // What "chosen" means, and how the page stands to the "Message alert" switch of the settings.
    addText(c, page.chosenHint(), "relayChosenHint");
    addText(c, page.messageAlertNote(), "relayMessageNote");
    QLabel* header = addText(c, page.appsHeader(), "relayAppsHeader");
    QLabel* none = addText(c, page.noAppsText(), "relayNoApps");
    list->setParent(c.body);
    if (!choices->buttons().isEmpty()) QWidget::setTabOrder(choices->buttons().last(), list);
    list->setObjectName(QStringLiteral("relayApps"));
    list->setAccessibleName(header->text());
    list->setTextElideMode(Qt::ElideMiddle);
    list->setIconSize(QSize(24, 24));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setMinimumHeight(120);
    list->viewport()->installEventFilter(new WholeRowToggles(list));
    list->setStyleSheet(QStringLiteral("QListWidget { background: white; border: 1px solid %1; padding: 1px; }"
                                       "QListWidget:focus { border: 2px solid %2; padding: 0; }")
                            .arg(colours::kSeparator.name(), colours::kTint.name()));
    refill();
    none->setVisible(list->count() == 0);
    QObject::connect(list, &QListWidget::itemChanged, list, [&page, shown](QListWidgetItem* item) {
        const bool on = item->checkState() == Qt::Checked;
        const std::string id = item->data(Qt::UserRole).toString().toStdString();
        page.setChosen(id, on);
        for (auto& app : *shown)
            if (app.id == id) app.chosen = on;
    });
    c.layout->addWidget(list, 1);
    // Apps that show their first notification while the page is open join the list at once.
    auto* poll = new QTimer(list);
    QObject::connect(poll, &QTimer::timeout, list, [refill, list, none, quiet, &page] {
        refill();
        none->setVisible(list->count() == 0);
        const QString note = q(page.doNotDisturbNote());
        quiet->setText(note);
        quiet->setVisible(!note.isEmpty());
    });
    poll->start(kRelayRefreshMs);
    return present(window, page.title(), c, choices, closeText, std::move(closed));
}

}  // namespace vantro::gui
