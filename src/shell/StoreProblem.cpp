#include "shell/StoreProblem.h"

#include "records/Messages.h"
#include "records/StoreError.h"
#include "shell/ProgramContext.h"

namespace pimdesk {

void reportStoreProblem(Messages *messages, const StoreError &error)
{
    reportStoreProblem(messages, error.message());
}

void reportStoreProblem(Messages *messages, const QString &message)
{
    if (messages)
        messages->show(message, QString::fromUtf8(programTitle), Buttons::Ok, Icon::Critical);
}

} // namespace pimdesk
