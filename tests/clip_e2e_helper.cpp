// Hosts the clipboard watcher on a real display for the end-to-end test: pattern and replacement
// from the command line, "ready" on standard output once it watches; it copies nothing itself.
#include <cstdio>

#include <QComboBox>
#include <QTimer>

#include "app/application.h"
#include "clipboard/clipwin.h"

int main(int argc, char** argv)
{
    moxtal::MoxtalApplication app(argc, argv);
    moxtal::setUpApplication();
    if (argc < 3)
        return 2;
    moxtal::TClipWindow watcher;
    watcher.findChild<QComboBox*>("pattern")->setEditText(QString::fromUtf8(argv[1]));
    watcher.findChild<QComboBox*>("RepStr")->setEditText(QString::fromUtf8(argv[2]));
    watcher.show();
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    return app.exec();
}
