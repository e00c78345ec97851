#pragma once

#include "records/Messages.h"

#include <QPointer>
#include <QWidget>

namespace pimdesk {

// Messages as modal message boxes over the main window. The text is shown as plain text (a name
// typed by the user is never read as markup); a carriage return starts a new line.
class MessageBoxMessages : public Messages
{
public:
    explicit MessageBoxMessages(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    Answer choose(const QString &text, const QString &title, const QString &okText, const QString &otherText) override;

    // The text as the box shows it: CR LF, CR and LF each become one line break.
    static QString displayText(const QString &text);

private:
    QPointer<QWidget> m_parent;
};

} // namespace pimdesk
