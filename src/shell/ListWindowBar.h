#pragma once

#include <QList>
#include <QStyle>
#include <functional>

class QHBoxLayout;

namespace pimdesk {

class ListWindow;
struct ProgramContext;

// One command button of a list window: object name, caption, picture and what a click does
// (nothing when empty).
struct ListCommand
{
    const char *name;
    const char *caption;
    QStyle::StandardPixmap picture;
    std::function<void()> action;
};

// The bar along the top of a list window: its command buttons (picture above caption), then the
// handheld pictures, Image1 (import from the handheld), Image2 (export to it) and Image3 (sync with it). A click on a
// picture shows the window the program named for it in the context and disables the list until
// that window enables it again.
QHBoxLayout *makeListBar(ListWindow *list, const ProgramContext &context, const QList<ListCommand> &commands);

} // namespace pimdesk
