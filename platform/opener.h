#pragma once

#include <chrono>
#include <functional>
#include <string>

class QObject;

namespace moxtal {

// How long a started opener has to fail for its failure to count: xdg-open reports a file no
// program opens within a second or so; one still running after this has handed the file over
// (with no desktop detected it runs the viewer itself, in the foreground).
constexpr std::chrono::seconds kOpenerVerdictTime {5};

// Opens path with the desktop's associated application: starts the opener (xdg-open) in a session
// of its own and returns at once; false when it cannot be started. failed runs later, from the
// event loop and only while context lives, when the opener ends unsuccessfully within
// kOpenerVerdictTime. The opener is never waited for nor ended: it outlives the window and the
// program. Called on the thread of the application object, which must exist.
bool openWithAssociatedApplication(const std::string& path, QObject* context, std::function<void()> failed);

namespace Opener {
// The opener program, looked up in PATH; the tests put a fake one here. Empty means xdg-open.
void setProgram(std::string program);
// How many started openers have not been seen to end yet.
int running();
// Ends the verdict window of every running opener now, as the time passing would: the tests use
// it instead of waiting.
void endVerdictWindows();
}  // namespace Opener

}  // namespace moxtal
