#include "shell/RecordEditor.h"

#include "records/RecordIds.h"
#include "records/RecordSet.h"

namespace pimdesk {

qint64 RecordEditor::keepNewIdFree(RecordSet &record, RecordKind kind)
{
    const qint64 chosen = record.field(QStringLiteral("ID")).toLongLong();
    if (!record.adding())
        return chosen;
    const qint64 id = freeId(record.store(), kind, chosen);
    if (id != chosen) {
        record.setField(QStringLiteral("ID"), id);
        if (m_host)
            m_host->newRecordRenumbered(id);
    }
    return id;
}

} // namespace pimdesk
