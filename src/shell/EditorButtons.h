#pragma once

class QPushButton;
class QTabWidget;
class QWidget;

namespace pimdesk {

// The layout the record windows share: their tabs, and below them on the right "확인" (Command2)
// and "취소" (Command1). The caller connects the buttons.
struct EditorButtons
{
    QPushButton *ok;
    QPushButton *cancel;
};

EditorButtons layOutTabsAndButtons(QWidget *window, QTabWidget *tabs);

} // namespace pimdesk
