// The bytes of an Outlook data file: opening it, finding its default folders and reading every
// item of them either works or ends in a ReadError, never a crash. (libpff itself is not built with
// the sanitizers; what is checked is this program's side of it.)
#include "FuzzSupport.h"

#include "outlook/pst/PstFile.h"

#include <QDir>
#include <QFile>

using namespace pimdesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = QDir(fuzz::workFolder()).filePath("input.pst");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            fuzz::finding("the input file cannot be written", file.errorString());
    }
    try {
        const std::unique_ptr<pst::File> file = pst::File::open(path);
        for (outlook::DefaultFolder kind :
             {outlook::olFolderContacts, outlook::olFolderCalendar, outlook::olFolderTasks}) {
            const quint32 folder = file->defaultFolder(kind);
            if (folder == 0)
                continue;
            file->folderName(folder);
            for (const pst::Message &message : file->messages(folder))
                (void)message.properties;
        }
        for (quint32 folder : file->folders())
            file->folderName(folder);
    } catch (const pst::ReadError &e) {
        if (e.message().isEmpty())
            fuzz::finding("a data file refused without a reason");
    }
    return 0;
}
