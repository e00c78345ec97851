#pragma once

#include <QCheckBox>
#include <QWidget>

namespace pimdesk::test {

// Ticks or clears the three kind boxes of an export or import window (Check1 contacts, Check2
// events, Check3 tasks), found by their names as a user's tool would find them.
inline void tickKinds(QWidget &window, bool contacts, bool events, bool tasks)
{
    window.findChild<QCheckBox *>("Check1")->setChecked(contacts);
    window.findChild<QCheckBox *>("Check2")->setChecked(events);
    window.findChild<QCheckBox *>("Check3")->setChecked(tasks);
}

} // namespace pimdesk::test
