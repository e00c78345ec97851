#include "shell/EditorButtons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pimdesk {

EditorButtons layOutTabsAndButtons(QWidget *window, QTabWidget *tabs)
{
    auto *ok = new QPushButton(QStringLiteral("확인"), window);
    ok->setObjectName("Command2");
    auto *cancel = new QPushButton(QStringLiteral("취소"), window);
    cancel->setObjectName("Command1");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(window);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);
    return {ok, cancel};
}

} // namespace pimdesk
