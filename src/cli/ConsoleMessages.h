#pragma once

#include "records/Messages.h"

#include <QTextStream>

namespace pimdesk {

// Messages on the console: "title: text" (a carriage return becomes a line break). A question is
// answered from the input ("y", "yes", "ok" or "확인" for OK); end of input answers Cancel.
class ConsoleMessages : public Messages
{
public:
    ConsoleMessages(QTextStream &out, QTextStream &in) : m_out(out), m_in(in) {}
    void setAssumeYes(bool yes) { m_assumeYes = yes; }
    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;

private:
    QTextStream &m_out;
    QTextStream &m_in;
    bool m_assumeYes = false;
};

} // namespace pimdesk
