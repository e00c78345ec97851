#include "windows/contacts/ContactSearchDialog.h"

#include "shell/Geometry.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pimdesk {

ContactSearchDialog::ContactSearchDialog(ProgramContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    setWindowTitle(QStringLiteral("검색값을 입력 하세요"));

    m_title = new QComboBox(this);
    m_title->setObjectName("Combo1");
    m_title->setEditable(true);
    m_title->setInsertPolicy(QComboBox::NoInsert);
    m_title->addItems({QString(), "Mr", "Mrs", "Ms", "Miss", "Dr", "Prof"});
    const auto line = [this](const char *name) {
        auto *box = new QLineEdit(this);
        box->setObjectName(name);
        return box;
    };
    m_name = line("Text1");
    m_company = line("Text2");
    m_homeStreet = line("Text3");
    m_businessStreet = line("Text4");

    auto *grid = new QGridLayout;
    const std::pair<const char *, QWidget *> rows[] = {
        {"Title", m_title},
        {"이   름", m_name},
        {"Company", m_company},
        {"집 Street", m_homeStreet},
        {"회사 Street", m_businessStreet},
    };
    int row = 0;
    for (const auto &[caption, box] : rows) {
        auto *label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);

    auto *ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ContactSearchDialog::search);
    auto *all = new QPushButton(QStringLiteral("검색 조건 없이 전체 보기"), this);
    all->setObjectName("Command2");
    connect(all, &QPushButton::clicked, this, &ContactSearchDialog::showAll);
    auto *cancelButton = new QPushButton(QStringLiteral("취소"), this);
    cancelButton->setObjectName("Command1");
    connect(cancelButton, &QPushButton::clicked, this, &ContactSearchDialog::cancel);
    // Enter in a criterion searches, as the default button would in a dialog.
    for (QLineEdit *box : {m_name, m_company, m_homeStreet, m_businessStreet, m_title->lineEdit()})
        connect(box, &QLineEdit::returnPressed, this, &ContactSearchDialog::search);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    resize(twipsToPixels(QSize(6000, 3300), this));
    move(twipsToPixels(QRect(1800, 1200, 0, 0), this).topLeft());
}

ContactSearchCriteria ContactSearchDialog::criteria() const
{
    return {m_title->currentText(), m_name->text(), m_company->text(), m_homeStreet->text(), m_businessStreet->text()};
}

void ContactSearchDialog::search()
{
    showInList(contactSearchSql(criteria()));
}

void ContactSearchDialog::showAll()
{
    showInList(contactShowAllSql);
}

void ContactSearchDialog::showInList(const QString &recordSource)
{
    // A source the store cannot read is reported by the list, which keeps what it showed; the
    // search is left all the same.
    if (m_context.windows) {
        if (ListWindow *list = m_context.windows->listWindow(RecordKind::Contacts))
            list->showRecordSource(recordSource);
    }
    hide();
    leave();
}

void ContactSearchDialog::cancel()
{
    hide();
    leave();
    if (m_context.windows)
        m_context.windows->showWindow(WindowRegistry::listWindowName(RecordKind::Contacts));
}

void ContactSearchDialog::leave()
{
    if (m_context.windows)
        m_context.windows->setListEnabled(RecordKind::Contacts, true);
}

void ContactSearchDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ContactSearchDialog::closeEvent(QCloseEvent *event)
{
    if (isVisible())
        leave();
    event->accept();
}

} // namespace pimdesk
