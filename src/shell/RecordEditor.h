#pragma once

#include "records/Kinds.h"

#include <QtGlobal>

namespace pimdesk {

class RecordSet;

// How an editor's work on a record ended, as it tells the list that opened it.
enum class EditEnd {
    Stored,    // the record was written to the store
    NotStored, // the editor is done without writing (the save question declined, a record only shown)
    Cancelled, // its cancel command, or its frame closed it: the list comes to the front again
};

// What an editor tells the list that opened it; the list window implements it.
class EditorHost
{
public:
    virtual ~EditorHost() = default;
    // The editor is done and hidden: the list takes over again, re-reading after a store.
    virtual void editorFinished(EditEnd end) = 0;
    // The new record is about to be stored under another ID than the one it was begun with.
    virtual void newRecordRenumbered(qint64 id) { Q_UNUSED(id); }
};

// The editor of one kind of record as its list drives it. Begun on a new record or on a stored one,
// it owns that record until it tells its host it is done. A store failure while it is open is
// reported by the editor itself, which stays open with what the user typed.
class RecordEditor
{
public:
    virtual ~RecordEditor() = default;

    void setHost(EditorHost *host) { m_host = host; }
    EditorHost *host() const { return m_host; }

    // Starts on a new record numbered id and shows the editor. Throws StoreError.
    virtual void beginNew(qint64 id) = 0;
    // Starts on the stored record with that ID and shows the editor; false, with nothing shown,
    // when there is none. Throws StoreError.
    virtual bool beginEdit(qint64 id) = 0;
    // The list is closing: drops what is pending and hides, without telling the list.
    virtual void abandon() = 0;
    // The ID of the record it stored last, 0 when it does not tell: the list makes that record's
    // row current after re-reading, wherever the list's order puts it.
    virtual qint64 storedId() const { return 0; }

protected:
    void reportFinished(EditEnd end)
    {
        if (m_host)
            m_host->editorFinished(end);
    }
    // Right before a new record is stored: the ID it was begun with may have been taken since by
    // another writer (an Outlook import, the command-line tool); it then takes the next free one,
    // so that the save succeeds with everything typed. Returns the ID it will be stored under.
    // Throws StoreError.
    qint64 keepNewIdFree(RecordSet &record, RecordKind kind);

private:
    EditorHost *m_host = nullptr;
};

} // namespace pimdesk
