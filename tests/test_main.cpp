// The one main of the test executables: each sets what its tests depend on itself, so that it
// passes run directly as well as under CTest (whatever the caller's locale, time zone or display).
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifdef MOXTAL_TEST_WITH_APPLICATION
#include "app/application.h"
#include "ui/messages.h"
#endif

int main(int argc, char** argv)
{
    ::setenv("LC_ALL", "C", 1);
    // Qt reads LANGUAGE even under LC_ALL=C; the program decides the C locale first, and the tests
    // leave no doubt.
    ::unsetenv("LANGUAGE");
    std::setlocale(LC_ALL, "C");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::umask(022);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A runtime folder of the run's own, so that Qt has no reason to warn at every start.
    static std::string runtime = "/tmp/moxtal-test-runtime-" + std::to_string(::getuid());
    ::mkdir(runtime.c_str(), 0700);
    ::chmod(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // A journal folder of the run's own: the window's renames never reach the user's journal.
    char state[] = "/tmp/moxtal-test-state-XXXXXX";
    const bool stateMade = ::mkdtemp(state) != nullptr;
    if (stateMade)
        ::setenv("XDG_STATE_HOME", state, 1);
    testing::InitGoogleTest(&argc, argv);
#ifdef MOXTAL_TEST_WITH_APPLICATION
    moxtal::MoxtalApplication app(argc, argv);
    moxtal::setUpApplication();
    moxtal::installTranslations(app);
#endif
    const int status = RUN_ALL_TESTS();
    std::error_code ignored;
    if (stateMade)
        std::filesystem::remove_all(state, ignored);
    return status;
}
