#pragma once

#include <QString>
#include <QVector>

namespace pimdesk {

// How the program talks to the user: one message box at a time, with a title, a text, its buttons
// and an optional icon. In texts a carriage return starts a new line.
// The windows implement this with QMessageBox, the command-line tool with the console and the tests
// with a script, so the record store and the exchange procedures never touch a widget.
enum class Buttons { Ok, OkCancel, OkOtherCancel };
enum class Icon { None, Information, Warning, Critical, Question };
enum class Answer { Ok, Cancel, Other };

class Messages
{
public:
    virtual ~Messages() = default;
    virtual Answer show(const QString &text, const QString &title = QString(), Buttons buttons = Buttons::Ok,
                        Icon icon = Icon::None) = 0;
    // A question with three answers: OK, the other choice, or Cancel; okText and otherText caption
    // the first two buttons. A Messages that knows no third button asks show() with OK and Cancel
    // and so never answers Other.
    virtual Answer choose(const QString &text, const QString &title, const QString &okText, const QString &otherText);
    // A message that says something failed or was not done (the operation stops, a kind is left
    // out, a store or a document cannot be used). The windows show it as show() does, with an OK
    // button and the given icon; the command-line tool writes it to standard error.
    virtual void showFailure(const QString &text, const QString &title = QString(), Icon icon = Icon::None);
};

// Says nothing and answers OK: for callers that want no dialogue at all (benchmarks).
class SilentMessages : public Messages
{
public:
    Answer show(const QString &, const QString &, Buttons, Icon) override { return Answer::Ok; }
};

} // namespace pimdesk
