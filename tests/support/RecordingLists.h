#pragma once

#include "exchange/ListWindowsHost.h"

#include <QList>
#include <QStringList>

namespace pimdesk::test {

// Stands in for the list windows around an exchange window and records what it asks of them,
// as "Contacts disabled", "Datebook enabled", "Todo reloaded".
class RecordingLists : public ListWindowsHost
{
public:
    void setListEnabled(RecordKind kind, bool enabled) override
    {
        calls << QString("%1 %2").arg(kindInfo(kind).table, enabled ? "enabled" : "disabled");
    }
    void reloadList(RecordKind kind) override { calls << QString("%1 reloaded").arg(kindInfo(kind).table); }
    bool listInUse(RecordKind kind) const override { return inUse.contains(kind); }
    QStringList calls;
    // The lists that have their editor or search open.
    QList<RecordKind> inUse;
};

} // namespace pimdesk::test
