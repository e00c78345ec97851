#pragma once

#include <QLabel>

namespace pimdesk {

// A picture or caption that acts when clicked (the launcher's entries). Like a button, the click
// counts when the left button is released over the label it was pressed on.
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace pimdesk
