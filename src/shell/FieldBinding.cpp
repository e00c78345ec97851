#include "shell/FieldBinding.h"

#include "records/RecordSet.h"
#include "records/StoreText.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace pimdesk {

namespace {

// Sets a flag for as long as it lives, and puts back what it was.
class Quiet
{
public:
    explicit Quiet(bool &flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~Quiet() { m_flag = m_was; }

private:
    bool &m_flag;
    bool m_was;
};

} // namespace

FieldBinding::FieldBinding(QObject *parent) : QObject(parent) {}

void FieldBinding::bind(QWidget *box, const QString &field, Conversion conversion)
{
    Box bound{box, field, std::move(conversion), 0, QString(), QString(), 0};
    if (auto *line = qobject_cast<QLineEdit *>(box)) {
        connect(line, &QLineEdit::textEdited, this, [this, box] { edited(box); });
    } else if (auto *combo = qobject_cast<QComboBox *>(box)) {
        bound.fixedEntries = combo->count();
        connect(combo, &QComboBox::currentTextChanged, this, [this, box] { edited(box); });
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(box)) {
        connect(plain, &QPlainTextEdit::textChanged, this, [this, box] { edited(box); });
    }
    m_boxes.append(std::move(bound));
}

void FieldBinding::bindCheck(QCheckBox *box, const QString &field, const QString &on, const QString &off)
{
    m_checks.append(Check{box, field, on, off, false});
}

QList<QWidget *> FieldBinding::boxes() const
{
    QList<QWidget *> widgets;
    for (const Box &b : m_boxes)
        widgets << b.widget;
    return widgets;
}

QString FieldBinding::text(const QWidget *box)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(box))
        return line->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(box))
        return combo->currentText();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(box))
        return plain->toPlainText();
    if (const auto *button = qobject_cast<const QAbstractButton *>(box))
        return button->text();
    return QString();
}

void FieldBinding::setBoxText(Box &box, const QString &text)
{
    QWidget *widget = box.widget;
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        line->setText(text);
        line->setCursorPosition(0);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        if (combo->isEditable()) {
            combo->setEditText(text);
            return;
        }
        while (combo->count() > box.fixedEntries)
            combo->removeItem(combo->count() - 1);
        int index = combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (index < 0) {
            combo->addItem(text);
            index = combo->count() - 1;
        }
        combo->setCurrentIndex(index);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        plain->setPlainText(text);
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        button->setText(text);
    }
}

FieldBinding::Box *FieldBinding::find(QWidget *widget)
{
    for (Box &b : m_boxes)
        if (b.widget == widget)
            return &b;
    return nullptr;
}

void FieldBinding::load(const RecordSet &record)
{
    const Quiet quiet(m_quiet);
    for (Box &b : m_boxes) {
        const QVariant value = record.field(b.field);
        b.storedAtLoad = value.isNull() ? QString() : value.toString();
        const QString shown = b.conversion.show ? b.conversion.show(value) : b.storedAtLoad;
        setBoxText(b, plainFromStoreText(shown));
    }
    // Read back once all are set: a box shows what it can of a value (a line box drops line breaks).
    for (Box &b : m_boxes) {
        b.shownAtLoad = text(b.widget);
        b.editStamp = 0;
    }
    m_editClock = 0;
    for (Check &c : m_checks) {
        c.checkedAtLoad = record.field(c.field).toString().trimmed() == c.on;
        c.box->setChecked(c.checkedAtLoad);
    }
}

void FieldBinding::store(RecordSet &record, Write which) const
{
    // Per field, the box changed last (the first bound when none was).
    QHash<QString, const Box *> latest;
    QStringList order;
    for (const Box &b : m_boxes) {
        const Box *&current = latest[b.field];
        if (!current)
            order << b.field;
        if (!current || b.editStamp > current->editStamp)
            current = &b;
    }
    for (const QString &field : std::as_const(order)) {
        const Box *b = latest.value(field);
        const QString shown = text(b->widget);
        const bool unchanged = shown == b->shownAtLoad;
        if (which == Write::Changed && unchanged)
            continue;
        // What the user left as it was is written back in the form it was stored in (a bare "&"
        // stays bare, a character reference stays a reference); what was typed is kept in the
        // documents' form.
        const bool asStored = unchanged && !b->storedAtLoad.isNull() && plainFromStoreText(b->storedAtLoad) == shown;
        const QString form = asStored ? b->storedAtLoad : storeTextFromPlain(shown);
        record.setField(field, b->conversion.store ? b->conversion.store(form) : QVariant(form));
    }
    for (const Check &c : m_checks) {
        const bool checked = c.box->isChecked();
        if (which == Write::Every || checked != c.checkedAtLoad)
            record.setField(c.field, checked ? c.on : c.off);
    }
}

void FieldBinding::show(QWidget *box, const QString &text)
{
    if (Box *b = find(box)) {
        const Quiet quiet(m_quiet);
        setBoxText(*b, text);
    }
}

void FieldBinding::edit(QWidget *box, const QString &text)
{
    if (Box *b = find(box)) {
        {
            const Quiet quiet(m_quiet);
            setBoxText(*b, text);
        }
        edited(box);
    }
}

void FieldBinding::edited(QWidget *widget)
{
    if (m_quiet)
        return;
    Box *changed = find(widget);
    if (!changed)
        return;
    changed->editStamp = ++m_editClock;
    const QString shown = text(widget);
    const Quiet quiet(m_quiet);
    for (Box &b : m_boxes) {
        if (b.widget != widget && b.field == changed->field && text(b.widget) != shown)
            setBoxText(b, shown);
    }
}

} // namespace pimdesk
