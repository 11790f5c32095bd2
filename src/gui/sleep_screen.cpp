// SPDX-License-Identifier: MIT
// The sleep tab: the pie of the chosen night above the list of stored nights.
#include "gui/sleep_screen.h"

#include "charts/ui_context.h"
#include "gui/view_host.h"
#include "screens/sleep_main_view_controller.h"

#include <QKeyEvent>
#include <QApplication>
#include <QLabel>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace vantro::gui {
namespace {
/// The tab's page: lays the pie, the hint and the list out again whenever its size changes.
class SleepPage : public QWidget {
public:
    std::function<void()> resized;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (resized) resized();
    }
};

/// Hands the keys pressed in a widget to a function first; what it takes goes no further.
class KeyHandler : public QObject {
public:
    KeyHandler(QObject* parent, std::function<bool(int key)> handle) : QObject(parent), m_handle(std::move(handle)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && m_handle(static_cast<QKeyEvent*>(event)->key())) return true;
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(int)> m_handle;
};
}  // namespace

SleepScreen::SleepScreen(VantroAppDelegate& app, RunLoop& loop, DeviceIdiom idiom, QSize contentSize)
    : m_app(app), m_size(contentSize), m_ui(std::make_unique<UiContext>(loop, m_text, idiom)) {}

SleepScreen::~SleepScreen() {
    delete m_container;  // the host paints the views; it goes before them
    m_main.reset();
}

QWidget* SleepScreen::view() {
    if (!m_container) {
        auto* page = new SleepPage;
        page->resized = [this] { placeViews(); };
        m_container = page;
        m_container->setObjectName(QStringLiteral("sleepScreen"));
    }
    return m_container;
}

QString SleepScreen::title() const {
    return QString::fromStdString(m_app.localized("SleepData"));
}

void SleepScreen::viewWillAppear() {
    if (!m_main) build();
}

void SleepScreen::viewDidAppear() {
    // The nights are what one comes here to choose from.
    if (m_table && m_container->isAncestorOf(QApplication::focusWidget())) m_table->setFocus(Qt::OtherFocusReason);
}

void SleepScreen::build() {
    view();
    const Size size{static_cast<double>(m_size.width()), static_cast<double>(m_size.height())};
    m_main = SleepMainViewController::makeWithChildren(m_app, *m_ui, size);
    m_host = new ViewHost(*m_ui, m_main->view(), m_container);
    m_host->setObjectName(QStringLiteral("sleepPie"));
    m_host->setLayoutSize(QSizeF(m_size));
    // The pie takes the keyboard too: the arrows go from slice to slice, pulling each out as a tap does.
    m_host->setAccessibleName(QString::fromStdString(m_app.localized("gui.sleep.pie")));
    m_host->setFocusPolicy(Qt::StrongFocus);
    m_host->installEventFilter(new KeyHandler(m_host, [this](int key) { return handlePieKey(key); }));
    m_host->setAccessibleSource({QAccessible::Chart, [this] { return sliceItems(); }, [this] { return m_keySlice; },
                                 [this](int index) { tapSlice(index); }});
    // The night list's view holds the table's place; the rows themselves are a table widget.
    m_table = new TableView(m_container);
    m_table->setObjectName(QStringLiteral("sleepTable"));
    m_table->setAccessibleName(QString::fromStdString(m_app.localized("gui.sleep.nights")));
    m_table->setGrouped(false);
    m_table->setSource(this);
    m_table->setEmptyText(QString::fromStdString(m_app.localized("gui.sleep.empty")));
    // Tab reads top down, the pie before the list; the tab opens on the list all the same (viewDidAppear).
    QWidget::setTabOrder(m_host, m_table);
    // Until a night is chosen the pie's place would be blank: say how to fill it.
    m_hint = new QLabel(QString::fromStdString(m_main->pieViewController()->hintText()), m_container);
    m_hint->setObjectName(QStringLiteral("sleepHint"));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hint->setStyleSheet(QStringLiteral("color: #8e8e93;"));
    // With no nights at all there is nothing below to choose: the list says so instead.
    m_hint->hide();
    placeViews();
    m_host->show();
    m_table->show();
    // Opens on last night: the newest row (the list stays oldest first) in view and in the pie.
    if (const int rows = rowCount(0); rows > 0) {
        m_hint->show();
        didSelect(0, rows - 1);
        m_table->setKeyboardRow(RowPath{0, rows - 1});  // the keyboard starts on the night shown
    }
}

void SleepScreen::placeViews() {
    if (!m_container || !m_host || !m_main) return;
    m_host->setGeometry(m_container->rect());
    // The pie is scaled with the layout it was made for; the list below it takes the window's full width
    // and whatever height is left.
    const Rect list = m_main->dataViewController()->view()->frame();
    const int top = static_cast<int>(m_host->fromRoot(QPointF(0, list.y)).y());
    m_table->setGeometry(0, top, m_container->width(), std::max(0, m_container->height() - top));
    if (m_hint) m_hint->setGeometry(16, 0, std::max(0, m_container->width() - 32), top);
    keepPieLabelsReadable();
}

void SleepScreen::keepPieLabelsReadable() {
    SleepPieViewController* pie = m_main ? m_main->pieViewController() : nullptr;
    if (!pie || !pie->pieView() || !m_host) return;
    PieLayer& layer = pie->pieView()->layer();
    if (!m_pieFontSize) m_pieFontSize = layer.font().size;
    // The pie's layout is drawn scaled to the window; on a small phone its labels would shrink below what
    // can be read, so they are set larger in the layout by as much as the drawing shrinks them.
    const double scale = m_host->rootScale();
    const double size = scale > 0 ? std::max(*m_pieFontSize, kMinPieLabelPx / scale) : *m_pieFontSize;
    if (layer.font().size == size) return;
    Font font = layer.font();
    font.size = size;
    layer.setFont(font);
    layer.setNeedsDisplay();
}

std::vector<AccessibleItem> SleepScreen::sliceItems() const {
    std::vector<AccessibleItem> items;
    SleepPieViewController* pie = m_main ? m_main->pieViewController() : nullptr;
    if (!pie || !pie->pieView()) return items;
    const auto slices = pie->slices();
    for (int i = 0; i < static_cast<int>(slices.size()); ++i) {
        // A slice's title reads "phase:minutes".
        const QString title = QString::fromStdString(slices[static_cast<size_t>(i)].title);
        const int colon = title.lastIndexOf(QLatin1Char(':'));
        AccessibleItem item;
        item.name = colon < 0 ? title : title.left(colon);
        item.value = QString::fromStdString(m_app.localized("gui.minutes"))
                         .arg(static_cast<qint64>(std::lround(slices[static_cast<size_t>(i)].value)));
        const auto centre = sliceCentreInRoot(i);
        if (centre) item.rect = QRect(centre->toPoint() - QPoint(12, 12), QSize(24, 24));
        item.role = QAccessible::ListItem;
        items.push_back(std::move(item));
    }
    return items;
}

bool SleepScreen::handlePieKey(int key) {
    const int count = static_cast<int>(sliceItems().size());
    if (count == 0) return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) return tapSlice(std::max(0, m_keySlice));
    const auto to = itemForKey(key, m_keySlice < 0 ? -1 : m_keySlice, count, true);
    return to && tapSlice(std::max(0, *to));
}

bool SleepScreen::tapSlice(int index) {
    const auto at = sliceCentre(index);
    if (!at || !m_host) return false;
    m_keySlice = index;
    m_host->touchBegan(*at);
    m_host->touchEnded(*at);
    announceFocusItem(m_host, index);
    return true;
}

std::optional<QPointF> SleepScreen::sliceCentre(int index) const {
    const auto inRoot = sliceCentreInRoot(index);
    if (!inRoot || !m_host) return inRoot;
    return m_host->fromRoot(*inRoot);
}

std::optional<QPointF> SleepScreen::sliceCentreInRoot(int index) const {
    SleepPieViewController* pie = m_main ? m_main->pieViewController() : nullptr;
    if (!pie || !pie->pieView()) return std::nullopt;
    const auto slices = pie->slices();
    if (index < 0 || index >= static_cast<int>(slices.size())) return std::nullopt;
    const SleepSlice& s = slices[static_cast<size_t>(index)];
    const auto view = pie->pieView();
    const PieLayer& layer = view->layer();
    // The pie is drawn y-up: angles run counter-clockwise from three o'clock.
    const double mid = (s.startAngle + s.endAngle) / 2 * std::numbers::pi / 180.0;
    const double r = (layer.minRadius() + layer.maxRadius()) / 2.0;
    const Rect b = view->bounds();
    const Point inView{b.width / 2 + r * std::cos(mid), b.height / 2 - r * std::sin(mid)};
    const Point inRoot = view->convertPoint(inView, *m_main->view());
    return QPointF(inRoot.x, inRoot.y);
}

int SleepScreen::rowCount(int section) const {
    auto* data = m_main ? m_main->dataViewController() : nullptr;
    return data ? data->numberOfRowsInSection(section) : 0;
}

TableRow SleepScreen::row(int, int r) {
    TableRow row;
    auto* data = m_main ? m_main->dataViewController() : nullptr;
    if (!data) return row;
    const TableCell cell = data->cellForRowAtIndexPath(r);
    row.caption = QString::fromStdString(cell.text);
    row.detail = QString::fromStdString(cell.detailText);
    row.style = CellStyle::Subtitle;
    row.accessory = r == m_selected ? Accessory::Checkmark : Accessory::None;
    return row;
}

void SleepScreen::didSelect(int, int r) {
    auto* data = m_main ? m_main->dataViewController() : nullptr;
    if (!data) return;
    m_selected = r;
    m_keySlice = -1;  // a new night's pie starts with no slice out
    data->didSelectRowAtIndexPath(r);
    if (m_host) m_host->update();
    if (m_hint) m_hint->setVisible(!m_main->pieViewController()->hintText().empty());
    if (m_table) m_table->refreshVisible();
    if (m_host) m_host->update();
}

}  // namespace vantro::gui
