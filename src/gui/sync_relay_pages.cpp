// SPDX-License-Identifier: MIT
// The "Sync automatically" and "Relay notifications" pages as small dialogs over the window.
#include "gui/sync_relay_pages.h"

#include "link/relay_page.h"
#include "settings/auto_sync_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vantro::gui {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QDialog* makeDialog(QWidget* parent, const std::string& title, const char* name, std::function<void()> closed) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(q(title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [closed = std::move(closed)](int) {
        if (closed) closed();
    });
    return dialog;
}

// One radio button per choice; picking one stores it at once.
QButtonGroup* addChoices(QDialog* dialog, QVBoxLayout* layout, const std::vector<std::string>& choices, int selected,
                         std::function<void(int)> pick) {
    auto* group = new QButtonGroup(dialog);
    for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
        auto* button = new QRadioButton(q(choices[static_cast<std::size_t>(i)]), dialog);
        button->setChecked(i == selected);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    QObject::connect(group, &QButtonGroup::idClicked, dialog, std::move(pick));
    return group;
}

void addClose(QDialog* dialog, QVBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace

QDialog* showAutoSyncPage(QWidget* parent, AutoSyncPage& page, std::function<void()> closed) {
    QDialog* dialog = makeDialog(parent, page.title(), "autoSyncPage", std::move(closed));
    auto* layout = new QVBoxLayout(dialog);
    auto* hint = new QLabel(q(page.hint()), dialog);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    addChoices(dialog, layout, page.choices(), page.selected(), [&page](int i) { page.select(i); });
    layout->addWidget(new QLabel(q(page.lastSync()), dialog));
    addClose(dialog, layout);
    dialog->open();
    return dialog;
}

QDialog* showRelayPage(QWidget* parent, RelayPage& page, std::function<void()> closed) {
    QDialog* dialog = makeDialog(parent, page.title(), "relayPage", std::move(closed));
    auto* layout = new QVBoxLayout(dialog);
    if (const std::string problem = page.problem(); !problem.empty()) {
        auto* why = new QLabel(q(problem), dialog);
        why->setObjectName(QStringLiteral("relayProblem"));
        why->setWordWrap(true);
        layout->addWidget(why);
    }
    auto* list = new QListWidget(dialog);
    list->setObjectName(QStringLiteral("relayApps"));
    auto refill = [&page, list] {
        list->clear();
        for (const auto& app : page.apps()) {
            auto* item = new QListWidgetItem(q(app.id), list);
            item->setFlags(Qt::ItemIsUserCheckable | (page.switchesApply() ? Qt::ItemIsEnabled : Qt::NoItemFlags));
            item->setCheckState(app.chosen ? Qt::Checked : Qt::Unchecked);
        }
    };
    addChoices(dialog, layout, page.choices(), page.selected(), [&page, refill](int i) {
        page.select(i);
        refill();
    });
    layout->addWidget(new QLabel(q(page.appsHeader()), dialog));
    if (page.apps().empty()) {
        auto* none = new QLabel(q(page.noAppsText()), dialog);
        none->setWordWrap(true);
        layout->addWidget(none);
    }
    refill();
    QObject::connect(list, &QListWidget::itemChanged, dialog, [&page](QListWidgetItem* item) {
        page.setChosen(item->text().toStdString(), item->checkState() == Qt::Checked);
    });
    layout->addWidget(list);
    addClose(dialog, layout);
    dialog->open();
    return dialog;
}

}  // namespace vantro::gui
