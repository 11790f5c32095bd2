// SPDX-License-Identifier: MIT
// The today tab: the seven rows of today's values from the today screen's controller.
#include "gui/today_screen_view.h"

#include "gui/app_fonts.h"
#include "gui/theme.h"

#include <QHash>
#include <QPainter>
#include <QTextOption>

namespace vantro::gui {
namespace {
/// A flat button whose text wraps onto more lines when the window is narrow.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override {
        // The table asks again at every layout; the text is wrapped once per width, text and font.
        if (m_heightsText != text() || m_heightsFont != font()) {
            m_heights.clear();
            m_heightsText = text();
            m_heightsFont = font();
        }
        if (const auto it = m_heights.constFind(w); it != m_heights.cend()) return *it;
        const QRect r = fontMetrics().boundingRect(QRect(0, 0, std::max(1, w - 2 * kPad), 10000),
                                                   Qt::AlignCenter | Qt::TextWordWrap, text());
        return *m_heights.insert(w, std::max(kTarget, r.height() + 2 * kPad));
    }
    QSize sizeHint() const override { return {QPushButton::sizeHint().width(), heightForWidth(320)}; }
    QSize minimumSizeHint() const override { return {60, heightForWidth(60)}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(colours::kTint);
        p.setFont(font());
        p.drawText(rect().adjusted(kPad, kPad, -kPad, -kPad), Qt::AlignCenter | Qt::TextWordWrap, text());
        if (hasFocus()) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(colours::kTint, 2));
            p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        }
    }

private:
    static constexpr int kPad = 8;
    static constexpr int kTarget = 44;  // a finger's height even on one line
    mutable QHash<int, int> m_heights;
    mutable QString m_heightsText;
    mutable QFont m_heightsFont;
};
}  // namespace

TodayScreenView::TodayScreenView(VantroViewController& controller) : m_controller(controller) {
    m_controller.tableView().onRowChanged = [this](int) {
        if (!m_table) return;
        // A new Bluetooth state line changes the header's height, so the rows are laid out again.
        const QString state = headerTitle(0);
        const bool hintChanges = m_hint && m_hint->isHidden() == !m_controller.appDelegate().isConnected();
        if (state != m_shownState || hintChanges) {
            m_shownState = state;
            updateConnectHint();
        } else {
            m_table->refreshVisible();
        }
    };
}

TodayScreenView::~TodayScreenView() {
    m_controller.tableView().onRowChanged = nullptr;
    m_controller.appDelegate().setTodayShown(false);
}

QWidget* TodayScreenView::view() {
    if (!m_table) {
        m_table = new TableView;
        m_table->setObjectName(QStringLiteral("todayTable"));
        m_table->setAccessibleName(QString::fromStdString(m_controller.appDelegate().localized("TodayData")));
        m_table->setGrouped(true);
        // Before the first band there is nothing to show: the way to one is above the rows.
        m_hint =
            new WrappingButton(QString::fromStdString(m_controller.appDelegate().localized("gui.today.connectHint")));
        m_hint->setObjectName(QStringLiteral("todayConnectHint"));
        m_hint->setCursor(Qt::PointingHandCursor);
        m_hint->setFont(AppFonts::font(17));  // the rows' size: no face of its own before the first frame
        m_hint->setFlat(true);
        QObject::connect(m_hint, &QPushButton::clicked, m_table, [this] {
            if (connectHintTapped) connectHintTapped();
        });
        m_table->setBanner(m_hint);
        m_table->setSource(this);
        updateConnectHint();
    }
    return m_table;
}

void TodayScreenView::updateConnectHint() {
    if (!m_table || !m_hint) return;
    m_hint->setVisible(!m_controller.appDelegate().isConnected());
    m_table->reloadData();
}

QString TodayScreenView::title() const {
    return QString::fromStdString(m_controller.title());
}

int TodayScreenView::rowCount(int section) const {
    return m_controller.numberOfRowsInSection(section);
}

QString TodayScreenView::headerTitle(int) const {
    return QString::fromStdString(m_controller.headerText());
}

double TodayScreenView::rowHeight(int, int row) const {
    return m_controller.heightForRowAtIndexPath(row);
}

TableRow TodayScreenView::row(int, int row) {
    TableRow r;
    auto cell = m_controller.tableView().visibleCell(row);
    if (!cell) cell = m_controller.cellForRowAtIndexPath(row);
    if (!cell) return r;
    r.caption = QString::fromStdString(cell->title);
    r.detail = QString::fromStdString(cell->detail);
    r.image = cell->image;
    return r;
}

void TodayScreenView::viewWillAppear() {
    updateConnectHint();
    // Someone looks at the signal row: it is read every two seconds again.
    m_controller.appDelegate().setTodayShown(true);
}

void TodayScreenView::viewWillDisappear() {
    m_controller.appDelegate().setTodayShown(false);
}

TableRow TodayScreenView::accessibleRow(int, int row) {
    // Rows off screen have no cell, and asking for one would put them on screen: read what is known.
    if (m_controller.tableView().visibleCell(row)) return this->row(0, row);
    TableRow r;
    const auto& items = m_controller.tableView().Items();
    if (row >= 0 && row < static_cast<int>(items.size())) r.caption = QString::fromStdString(items[row]);
    r.detail = QString::fromStdString(m_controller.tableView().placeholder(row));
    return r;
}

void TodayScreenView::didSelect(int, int row) {
    m_controller.didSelectRowAtIndexPath(row);
}

void TodayScreenView::visibleRowsChanged(const std::set<RowPath>& rows) {
    std::vector<int> visible;
    for (const auto& [s, r] : rows) {
        if (s == 0) visible.push_back(r);
    }
    m_controller.tableView().setVisibleRows(visible);
    // Rows that come on screen show what the companion knows, not a placeholder (a reopened window too).
    m_controller.showKnownValues();
}

QString TodayScreenView::detailText(int row) const {
    const auto text = m_controller.tableView().detailText(row);
    return text ? QString::fromStdString(*text) : QString();
}

}  // namespace vantro::gui
