#pragma once

#include "exchange/ListWindowsHost.h"

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
    QStringList calls;
};

} // namespace pimdesk::test
