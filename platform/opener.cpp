#include "opener.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

extern char** environ;

namespace moxtal {

namespace {

using Clock = std::chrono::steady_clock;

// How often the started openers are looked at: often while one may still fail, then only to
// reap the ones that end late.
constexpr std::chrono::milliseconds kLookWhileDeciding {100};
constexpr std::chrono::milliseconds kLookAfterwards {1000};

// An opener from its start until it is seen to end.
struct StartedOpener {
    pid_t pid = 0;
    Clock::time_point started;
    bool deciding = true;  // within its verdict window: a failure now is reported
    QPointer<QObject> context;
    std::function<void()> failed;
};

std::string g_program;
std::vector<StartedOpener> g_started;
QPointer<QTimer> g_look;

// The attributes of one start, released with it.
class SpawnSetup {
public:
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        ::posix_spawnattr_destroy(&attributes);
        ::posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// Starts program with path as its one argument, in a session of its own (so that neither a
// terminal's hang-up nor this program's end reaches it), reading nothing, with no signal blocked
// and SIGPIPE at its default; 0 when it cannot be started.
pid_t startOpener(const std::string& program, const std::string& path)
{
    SpawnSetup setup;
    ::posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    sigset_t toDefault;
    sigemptyset(&toDefault);
    sigaddset(&toDefault, SIGPIPE);
    ::posix_spawnattr_setsigmask(&setup.attributes, &noneBlocked);
    ::posix_spawnattr_setsigdefault(&setup.attributes, &toDefault);
    ::posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string programArgument = program;
    std::string pathArgument = path;
    char* arguments[] = {programArgument.data(), pathArgument.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program.c_str(), &setup.actions, &setup.attributes, arguments, environ) != 0)
        return 0;
    return pid;
}

void lookAgainLater();

// Reaps the openers that ended and reports those that failed within their verdict window. The
// reports run last, with the list already up to date: a message box opened by one runs the event
// loop, and this may run again inside it.
void lookAtOpeners()
{
    const Clock::time_point now = Clock::now();
    std::vector<StartedOpener> failures;
    for (auto it = g_started.begin(); it != g_started.end();) {
        int status = 0;
        pid_t ended = 0;
        do {
            ended = ::waitpid(it->pid, &status, WNOHANG);
        } while (ended < 0 && errno == EINTR);
        if (ended == 0) {
            if (now - it->started >= kOpenerVerdictTime)
                it->deciding = false;
            ++it;
            continue;
        }
        // -1 (ECHILD) where children are reaped without us (SIGCHLD ignored): nothing to learn.
        const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (ended == it->pid && it->deciding && !succeeded)
            failures.push_back(std::move(*it));
        it = g_started.erase(it);
    }
    lookAgainLater();
    for (StartedOpener& failure : failures) {
        if (failure.context && failure.failed)
            failure.failed();
    }
}

void lookAgainLater()
{
    if (g_started.empty())
        return;
    if (!g_look) {
        // A child of the application object, so that it ends with it; the openers go on.
        g_look = new QTimer(QCoreApplication::instance());
        g_look->setSingleShot(true);
        QObject::connect(g_look, &QTimer::timeout, g_look, lookAtOpeners);
    }
    const bool deciding =
        std::any_of(g_started.begin(), g_started.end(), [](const StartedOpener& opener) { return opener.deciding; });
    g_look->start(deciding ? kLookWhileDeciding : kLookAfterwards);
}

}  // namespace

bool openWithAssociatedApplication(const std::string& path, QObject* context, std::function<void()> failed)
{
    const pid_t pid = startOpener(g_program.empty() ? std::string("xdg-open") : g_program, path);
    if (pid == 0)
        return false;
    g_started.push_back({pid, Clock::now(), true, context, std::move(failed)});
    lookAgainLater();
    return true;
}

namespace Opener {

void setProgram(std::string program)
{
    g_program = std::move(program);
}

int running()
{
    return static_cast<int>(g_started.size());
}

void endVerdictWindows()
{
    for (StartedOpener& opener : g_started)
        opener.deciding = false;
    lookAgainLater();
}

}  // namespace Opener

}  // namespace moxtal
