// SPDX-License-Identifier: MIT
// A property page on screen: the form, list or wristband picker of one page model, with "Cancel" and "OK".
#pragma once

#include "platform/services.h"

#include <QMap>
#include <QWidget>

#include <memory>

class QPushButton;
class QScrollArea;

namespace vantro {
class PropertiesViewController;
}  // namespace vantro

namespace vantro::gui {

class TableView;
class MainWindow;
class ModalPage;

/// The content of a modal property page. Owns the page model for as long as the page is shown.
class PropertyPageView : public QWidget {
    Q_OBJECT
public:
    PropertyPageView(std::shared_ptr<PropertiesViewController> model, DeviceIdiom idiom, const QString& refreshText,
                     QWidget* parent = nullptr);
    ~PropertyPageView() override;

    /// Wraps the view in a modal page whose buttons act on the model, presents it, and wires its hooks.
    /// `refreshText` labels the picker's rescan button for mouse users.
    static ModalPage* present(MainWindow& window, std::shared_ptr<PropertiesViewController> model,
                              const QString& okText, const QString& cancelText, const QString& refreshText);

    PropertiesViewController& model() { return *m_model; }
    /// Rows the picker shows now (0 on other pages).
    int pickerRowCount() const;
    /// The picker's refresh-control title as the model has it.
    QString refreshControlTitle() const;
    /// The control made for a model tag (QLineEdit, SwitchControl, SegmentedControl, TimePicker).
    QWidget* controlForTag(int tag) const { return m_byTag.value(tag); }
    /// The list or picker table; null on form pages.
    TableView* table() const { return m_table; }
    QPushButton* refreshButton() const { return m_refreshButton; }
    /// "Forget this band" under the wristband list.
    QPushButton* forgetButton() const { return m_forgetButton; }

    /// "OK": copies what the user entered into the model, then saves.
    void confirm();
    void cancel();
    /// Re-reads the model (picker rows, check marks, refresh title).
    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class ListSource;
    void buildForm();
    void buildList(const QString& refreshText);
    void pushValuesToModel();

    std::shared_ptr<PropertiesViewController> m_model;
    DeviceIdiom m_idiom;
    QMap<int, QWidget*> m_byTag;
    QScrollArea* m_scroll = nullptr;
    TableView* m_table = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_forgetButton = nullptr;
    std::unique_ptr<ListSource> m_source;
};

}  // namespace vantro::gui
