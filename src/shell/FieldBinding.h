#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

class QCheckBox;
class QWidget;

namespace pimdesk {

class RecordSet;

// The boxes of a record window bound to the fields of its record. Loading shows each field in its
// boxes; storing writes the boxes back into the record being added or edited, either every field
// or only those whose boxes the user changed since loading, so that a value a box cannot show (an
// address with line breaks in a one-line box) is kept as it was.
//
// The store keeps text in the form of the handheld's documents ("&amp;", "&quot;", "&lt;", "&gt;",
// character references); the boxes show characters. A conversion's show gets the stored value and
// its text is shown as characters; its store gets the box's text in the documents' form. A box the
// user did not change is written back as it was stored.
//
// A box is a QLineEdit, a QComboBox (an editable one shows the text as typed; a list of fixed
// entries shows a stored text that is not among them as one more entry, so that storing keeps it),
// a QPlainTextEdit or a button that shows the field as its caption (a date button). Several boxes
// may show one field: what is typed into one appears in the others, and the one changed last is
// stored. A QCheckBox shows whether a field holds a given text.
class FieldBinding : public QObject
{
    Q_OBJECT
public:
    // How a box shows a stored value and how its text is stored. By default a null value shows
    // empty and the text is stored as it stands.
    struct Conversion
    {
        std::function<QString(const QVariant &value)> show;
        std::function<QVariant(const QString &text)> store;
    };
    enum class Write { Changed, Every };

    explicit FieldBinding(QObject *parent = nullptr);

    // A combo box's entries are to be in place before it is bound.
    void bind(QWidget *box, const QString &field, Conversion conversion = {});
    // Ticked when the field holds on (blanks around it aside); stored as on or off.
    void bindCheck(QCheckBox *box, const QString &field, const QString &on, const QString &off);

    // Shows the current record (a record being added shows its values so far).
    void load(const RecordSet &record);
    // Assigns the fields of the record being added or edited.
    void store(RecordSet &record, Write which) const;

    // The text boxes, in the order they were bound.
    QList<QWidget *> boxes() const;

    static QString text(const QWidget *box);
    // Shows a text in a box as the window's own doing: the other boxes of its field do not follow,
    // and it does not become the box of its field changed last.
    void show(QWidget *box, const QString &text);
    // Puts a text into a box as if the user had typed it: the box counts as changed, and the other
    // boxes of its field follow.
    void edit(QWidget *box, const QString &text);

private:
    struct Box
    {
        QWidget *widget;
        QString field;
        Conversion conversion;
        int fixedEntries = 0; // a list's own entries; those after them came from stored values
        QString shownAtLoad;  // what the box showed when the record was loaded
        QString storedAtLoad; // the field's text when the record was loaded (null: the field was)
        int editStamp = 0;    // when the user last changed it (0: not since loading)
    };
    struct Check
    {
        QCheckBox *box;
        QString field;
        QString on;
        QString off;
        bool checkedAtLoad = false;
    };

    void setBoxText(Box &box, const QString &text);
    Box *find(QWidget *widget);
    void edited(QWidget *widget);

    QList<Box> m_boxes;
    QList<Check> m_checks;
    int m_editClock = 0;
    bool m_quiet = false; // the binding itself is changing the boxes
};

} // namespace pimdesk
