#pragma once

#include "records/Kinds.h"

namespace pimdesk {

// What the export and import windows need from the windows around them: the list windows of the
// three kinds are disabled while an exchange window is open and enabled again after it, and a list
// re-reads its data source after an exchange has changed or walked its table.
class ListWindowsHost
{
public:
    virtual ~ListWindowsHost() = default;
    virtual void setListEnabled(RecordKind kind, bool enabled) = 0;
    virtual void reloadList(RecordKind kind) = 0;
    // Whether a window of the list is open that holds it disabled (its editor, its search): such a
    // list stays disabled until that window is done, whatever an exchange window does.
    virtual bool listInUse(RecordKind kind) const = 0;

    // What an exchange window does when it is done: every list that nothing of its own holds is
    // enabled again.
    void enableListsNotInUse()
    {
        for (RecordKind kind : allKinds)
            if (!listInUse(kind))
                setListEnabled(kind, true);
    }
};

} // namespace pimdesk
