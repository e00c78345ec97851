#include "app/Program.h"

#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/Store.h"
#include "shell/MessageBoxMessages.h"
#include "shell/StoreProblem.h"

#include <QApplication>

namespace pimdesk {

int runProgram(QApplication &app)
{
    QApplication::setApplicationName("pimdesk");
    MessageBoxMessages messages;
    const QString path = Store::pathInDirectory(Store::defaultDataDirectory());
    std::shared_ptr<Store> store;
    try {
        store = Store::shared(path);
    } catch (const StoreError &e) {
        reportStoreProblem(&messages, e);
        return 1;
    }

    MainWindow main(path, messages, store);
    messages.setParentWidget(&main);
    registerProgramWindows(main.windows());
    main.show();
    return app.exec();
}

} // namespace pimdesk
