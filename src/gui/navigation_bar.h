// SPDX-License-Identifier: MIT
// The bar at the top of a screen or a modal page: a centred title and up to two text buttons.
#pragma once

#include <QPushButton>
#include <QWidget>

#include <functional>

namespace vantro::gui {

/// Title bar with optional left and right buttons ("Cancel" and "OK" on property pages).
class NavigationBar : public QWidget {
    Q_OBJECT
public:
    explicit NavigationBar(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return m_title; }
    /// Whether the title fits between the buttons without being shortened.
    bool titleFits() const;
    /// An empty text removes the button.
    void setLeftButton(const QString& text, std::function<void()> action);
    void setRightButton(const QString& text, std::function<void()> action);
    QPushButton* leftButton() const { return m_left; }
    QPushButton* rightButton() const { return m_right; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setButton(QPushButton*& slot, const QString& text, std::function<void()> action, bool bold, const char* name);
    void placeButtons();
    double titleSpace() const;
    QFont titleFont() const;

    QString m_title;
    QPushButton* m_left = nullptr;
    QPushButton* m_right = nullptr;
};

}  // namespace vantro::gui
