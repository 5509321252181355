#include "clipboard_watch.h"

#include <utility>

#include "app_error.h"

namespace moxtal {

namespace {

WatchAction outcomeOfPass(const ClipboardWatchState& state, const WatchEvent& pass)
{
    if (!pass.changed)
        return pass.matched ? WatchAction::ShowSameString : WatchAction::ShowNatMatch;
    if (!pass.exact && pass.text.find("\xEF\xBF\xBD") != std::string::npos)
        return WatchAction::ShowNotUtf8;
    // Our own result coming back (its notice, or a clipboard manager posting it again) is no change
    // from outside.
    if (state.lastWritten == pass.text)
        return WatchAction::ShowChainStopped;
    return WatchAction::WriteResult;
}

}  // namespace

WatchDecision decideWatch(ClipboardWatchState state, const WatchEvent& event)
{
    WatchAction action = WatchAction::None;
    switch (event.kind) {
    case WatchEventKind::Shown:
        if (!state.watching)
            action = WatchAction::Connect;
        state.watching = true;
        break;
    case WatchEventKind::Closed:
        if (state.watching)
            action = WatchAction::Disconnect;
        state.watching = false;
        state.lastWritten.reset();
        break;
    case WatchEventKind::Notice:
        if (!state.watching)
            break;
        if (state.handling) {
            state.pending = true;
            break;
        }
        state.handling = true;
        state.pending = false;
        action = WatchAction::Handle;
        break;
    case WatchEventKind::HandlingEnded:
        // The notices that waited are handled once: the clipboard holds only the newest text.
        if (state.pending) {
            state.pending = false;
            action = WatchAction::Handle;
        } else {
            state.handling = false;
        }
        break;
    case WatchEventKind::Retry:
        // A new start: the copied text goes back on the clipboard as if copied from outside.
        state.lastWritten.reset();
        action = WatchAction::WriteSource;
        break;
    case WatchEventKind::Passed:
        action = outcomeOfPass(state, event);
        break;
    case WatchEventKind::Written:
        state.lastWritten = event.text;
        break;
    }
    return {std::move(state), action};
}

std::string clipboardWritableText(std::string text)
{
    // The text is written as a zero-terminated string: a decoded "%00" ends it.
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    if (text.size() > kMaxClipboardWrite)
        throw AppError("The result is larger than 64 MiB and was not written to the clipboard");
    return text;
}

}  // namespace moxtal
