#include "records/Kinds.h"

#include "records/DocumentLayouts.h"

namespace pimdesk {

namespace {

constexpr KindInfo kinds[] = {
    {
        .kind = RecordKind::Contacts,
        .table = "Contacts",
        .key = "contacts",
        .label = "연락처",
        .bookName = "주소록",
        .documentName = "addressbook.xml",
        .handheldFolder = "Qtopia/Applications/addressbook",
        .document = &addressbookLayout,
        .exportCompleted = "연락처 내보내기가 완료되었습니다.",
        .importCompleted = "연락처 가져오기가 완료되었습니다.",
        .listWindow = "SUB2_1",
        .listSource = "Contacts",
        .outlookFolder = 10,
        .outlookStep = 0,
        .uidName = "contact",
    },
    {
        .kind = RecordKind::Events,
        .table = "Datebook",
        .key = "events",
        .label = "일정",
        .bookName = "일정",
        .documentName = "datebook.xml",
        .handheldFolder = "Qtopia/Applications/datebook",
        .document = &datebookLayout,
        .exportCompleted = "일정 내보내기가 완료되었습니다.",
        .importCompleted = "일정 가져오기가 완료되었습니다.",
        .listWindow = "SUB4_1",
        .listSource = "SELECT * FROM Datebook ORDER BY Start DESC",
        .outlookFolder = 9,
        .outlookStep = 2,
        .uidName = "event",
    },
    {
        .kind = RecordKind::Tasks,
        .table = "Todo",
        .key = "tasks",
        .label = "작업",
        .bookName = "작업",
        .documentName = "todolist.xml",
        .handheldFolder = "Qtopia/Applications/todolist",
        .document = &todolistLayout,
        .exportCompleted = "작업 내보내기가 완료되었습니다.",
        .importCompleted = "작업 가져오기가 완료되었습니다.",
        .listWindow = "SUB3_1",
        .listSource = "Todo",
        .outlookFolder = 13,
        .outlookStep = 1,
        .uidName = "task",
    },
};

constexpr bool rowsInOrder()
{
    for (size_t i = 0; i < allKinds.size(); ++i)
        if (kinds[i].kind != allKinds[i])
            return false;
    return std::size(kinds) == allKinds.size();
}
static_assert(rowsInOrder(), "one row per kind, in the order of allKinds");

} // namespace

const KindInfo &kindInfo(RecordKind kind)
{
    return kinds[int(kind)];
}

QString kindKey(RecordKind kind)
{
    return QString::fromUtf8(kindInfo(kind).key);
}

QString kindLabel(RecordKind kind)
{
    return QString::fromUtf8(kindInfo(kind).label);
}

QString kindBookName(RecordKind kind)
{
    return QString::fromUtf8(kindInfo(kind).bookName);
}

QString recordByIdSql(RecordKind kind, qint64 id)
{
    return QStringLiteral("SELECT * FROM ") + QLatin1String(kindInfo(kind).table) + QStringLiteral(" WHERE ID = ") +
           (id >= 0 ? QStringLiteral(" ") : QString()) + QString::number(id);
}

} // namespace pimdesk
