#include "cli/Cli.h"
#include "records/Clock.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    pimdesk::settleLocalTimeZone();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    QStringList args = app.arguments();
    args.removeFirst();
    return pimdesk::cli::run(args, out, err, in);
}
