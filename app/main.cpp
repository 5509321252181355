// moxtal: renames many files at once with regular expressions.
#include <exception>

#include "application.h"
#include "ui/seams.h"
#include "windows.h"

int main(int argc, char** argv)
{
    moxtal::choosePlatformFromEnvironment();
    moxtal::MoxtalApplication app(argc, argv);
    moxtal::setUpApplication();
    try {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.emplace_back(argv[i]);
        auto form = moxtal::createWindows(std::make_unique<moxtal::RealFolderSource>(), std::move(arguments));
        // Closing the main window ends the run even while the log or the watcher is open.
        QApplication::setQuitOnLastWindowClosed(false);
        QObject::connect(form.get(), &moxtal::TForm1::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
        form->show();
        return app.exec();
    } catch (const std::exception& e) {
        moxtal::MessageBox::show(nullptr, QString::fromUtf8(e.what()));
    }
    return 0;
}
