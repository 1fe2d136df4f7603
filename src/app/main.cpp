#include "KTApplicationStart.h"
#include "KTBackgroundWork.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    qSetMessagePattern(
        QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} %{if-warning}W %{endif}%{if-critical}C "
                       "%{endif}%{message}"));
    QApplication app(argc, argv);
    KTApplicationStart::nameApplication();

    // Folders and catalogues to open: the arguments (a file manager's "Open With" passes them).
    QStringList paths = QApplication::arguments();
    paths.removeFirst();

    // One application per user session: a later start hands its paths to the first and ends.
    KTApplicationStart start(paths);
    if (start.handOffToRunningInstance())
        return 0;
    start.launch();
    const int exitCode = QApplication::exec();
    // Before the application object and the start's controllers go: their pools' work may use them.
    KTBackgroundWork::finish();
    return exitCode;
}
