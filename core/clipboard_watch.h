#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace moxtal {

// Where the clipboard watcher stands between the clipboard's change notices.
struct ClipboardWatchState {
    bool watching = false;  // the window is shown and hears the clipboard
    // A handling runs, its error box included: a notice meanwhile (the notice of its own write,
    // nested inside the write, or a copy made while the box is open) waits for it to end.
    bool handling = false;
    bool pending = false;  // a notice waited: the handling runs once more when it ends
    std::optional<std::string> lastWritten;  // the last result written, to know it when it comes back

    bool operator==(const ClipboardWatchState&) const = default;
};

enum class WatchEventKind {
    Shown,  // the window is shown
    Closed,  // the window is hidden
    Notice,  // the clipboard changed
    HandlingEnded,  // a handling has ended, and its error box, if any, is closed
    Retry,  // the user asks for the copied text to run again
    Passed,  // the pass has run over the copied text
    Written,  // the result is written to the clipboard
};

struct WatchEvent {
    WatchEvent(WatchEventKind kind, std::string text = {}, bool exact = true, bool matched = false,
               bool changed = false)
        : kind(kind), text(std::move(text)), exact(exact), matched(matched), changed(changed)
    { }

    WatchEventKind kind;
    std::string text;  // Passed: the copied bytes; Written: the text written
    bool exact;  // Passed: the bytes came as they were, not decoded by the platform
    bool matched;  // Passed: the pattern matched
    bool changed;  // Passed: the pass changed the text
};

enum class WatchAction {
    None,
    Connect,  // start hearing the clipboard's notices
    Disconnect,  // stop hearing them
    Handle,  // run one handling of the clipboard's text
    WriteSource,  // write the copied lines back, as if copied from outside
    ShowNatMatch,  // "Nat Match": the pattern did not match
    ShowSameString,  // "Same String": the pass left the text as it was
    ShowNotUtf8,  // a copy decoded with U+FFFD: writing it back would change bytes it never touched
    ShowChainStopped,  // the watcher's own result came back and would change again
    WriteResult,  // write the result to the clipboard
};

struct WatchDecision {
    ClipboardWatchState state;
    WatchAction action = WatchAction::None;
};

// What the watcher does on event, and where it stands afterwards. One write per change from outside
// (or per Retry): the own result coming back is shown, never rewritten, so a replacement that
// changes its own output runs once.
WatchDecision decideWatch(ClipboardWatchState state, const WatchEvent& event);

// The largest text the watcher writes to the clipboard.
constexpr std::size_t kMaxClipboardWrite = std::size_t {64} << 20;
// The text as it is written: up to its first zero byte; AppError when it is larger than
// kMaxClipboardWrite.
std::string clipboardWritableText(std::string text);

}  // namespace moxtal
