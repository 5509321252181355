// moxtal: renames many files at once with regular expressions.
#include <cstdio>
#include <cstring>
#include <exception>

#include "application.h"
#include "core/version.h"
#include "ui/messages.h"
#include "ui/seams.h"
#include "windows.h"

namespace {

constexpr const char* kUsage =
    "Usage: moxtal [FOLDER]\n"
    "\n"
    "Renames many files at once with regular expressions. Starts on FOLDER (or the folder of a file)\n"
    "when one is given, else on the folder of the last run.\n"
    "\n"
    "Settings (main.cfg, pattern.cfg) live beside the program when that folder is writable and no\n"
    "install, otherwise in $XDG_CONFIG_HOME/moxtal/ (~/.config/moxtal/).\n"
    "\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "\n"
    "See moxtal(1), and moxtal-cli(1) for the rename job without a window.\n";

}  // namespace

int main(int argc, char** argv)
{
    // Only these two words as the first argument; anything else is the folder, as designed.
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0)) {
        const bool help = std::strcmp(argv[1], "--help") == 0;
        const int written = help ? std::printf("%s", kUsage) : std::printf("Mox-Tal %s\n", moxtal::kVersion);
        return written > 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    moxtal::choosePlatformFromEnvironment();
    moxtal::MoxtalApplication app(argc, argv);
    moxtal::setUpApplication();
    moxtal::installTranslations(app);
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
        moxtal::MessageBox::show(nullptr, moxtal::errorText(e));
    }
    return 0;
}
