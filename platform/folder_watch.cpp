#include "folder_watch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace moxtal {

namespace {

// What changes the entries: names made, removed or moved in or out; a file written (its size and
// time), or its permissions or times set (whether it is listed, its Date); the folder itself gone.
constexpr std::uint32_t kEntryEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// What ends the watch of the folder itself; the kernel sends the last two unasked.
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

}  // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent)
{ }

FolderWatch::~FolderWatch() = default;

bool FolderWatch::watch(const std::string& folder, EntryFilter filter)
{
    removeWatch();
    m_changed = false;
    m_filter = std::move(filter);
    if (!m_fd) {
        m_fd = UniqueFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (!m_fd)
            return false;
        m_notifier = new QSocketNotifier(static_cast<qintptr>(m_fd.get()), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
        m_notifier->setEnabled(m_paused == 0);
    }
    // What waits was heard of the folder before: the listing that follows sees it all.
    discardEvents();
    if (folder.empty() || folder[0] != '/')
        return false;
    m_watch = ::inotify_add_watch(m_fd.get(), folder.c_str(), kEntryEvents | IN_ONLYDIR);
    return m_watch >= 0;
}

void FolderWatch::removeWatch()
{
    if (m_watch >= 0)
        ::inotify_rm_watch(m_fd.get(), m_watch);
    m_watch = -1;
}

void FolderWatch::pause()
{
    if (++m_paused == 1 && m_notifier)
        m_notifier->setEnabled(false);
}

void FolderWatch::resume()
{
    if (m_paused > 0 && --m_paused == 0 && m_notifier)
        m_notifier->setEnabled(true);
}

void FolderWatch::takeOwnRename(const std::vector<std::string>& names)
{
    readEvents(&names);
}

void FolderWatch::discardEvents()
{
    const int watched = m_watch;
    m_watch = -1;  // every event read now belongs to no watch
    readEvents();
    m_watch = watched;
}

void FolderWatch::readEvents(const std::vector<std::string>* own)
{
    if (!m_fd)
        return;
    const bool before = m_changed;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(m_fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (const char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            // An overflow belongs to no watch: a change may have been lost.
            const bool overflow = (event->mask & IN_Q_OVERFLOW) != 0 && m_watch >= 0;
            if (!overflow && (m_watch < 0 || event->wd != m_watch))
                continue;
            if (!overflow && (event->mask & kFolderGone) == 0) {
                // No name: the folder's own attributes, which no entry shows.
                if (event->len == 0)
                    continue;
                const std::string_view name(event->name, ::strnlen(event->name, event->len));
                if (own && std::find(own->begin(), own->end(), name) != own->end())
                    continue;
                if (m_filter && !m_filter(name, (event->mask & IN_ISDIR) != 0))
                    continue;
            }
            m_changed = true;
            removeWatch();  // nothing more to learn until the folder is listed anew
        }
    }
    if (m_changed && !before)
        emit changed();
}

}  // namespace moxtal
