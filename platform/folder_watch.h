#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

#include "posix_handles.h"

class QSocketNotifier;

namespace moxtal {

// Hears, through inotify, when the entries of one folder change on disk after it was listed: a
// name appears or goes (made, removed, moved in or out), or a file's contents, size, times or
// permissions change (its Size and Date, and whether it is listed at all); and when the folder
// itself is removed, moved away or unmounted, or the kernel's queue of events overflowed (a change
// was lost, so one is assumed). Changes to the folder's own attributes are none of its entries'.
// One inotify descriptor, made at the first watch, and one folder at a time. Only what this
// machine does to the folder is heard: on a network share, other machines' changes are not.
class FolderWatch : public QObject {
    Q_OBJECT
public:
    // Which entries matter: a change to any other is no change. Every entry when none is given.
    using EntryFilter = std::function<bool(std::string_view name, bool isFolder)>;

    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;

    // Watches folder from now on instead of the folder before, forgetting what was heard so far,
    // also what waits in the queue; false (and nothing watched) when the folder cannot be watched:
    // not a folder, or no inotify instance or watch left to the user.
    bool watch(const std::string& folder, EntryFilter filter = {});
    // Whether a change was heard since watch().
    bool hasChanged() const { return m_changed; }

    // While paused (pauses nest), events wait in the kernel's queue unread: a pass of the
    // program's own runs meanwhile. A watch() while paused forgets them (the folder is listed
    // anew); else they are heard after the last resume.
    void pause();
    void resume();
    class Pause {
    public:
        explicit Pause(FolderWatch& watch) : m_watch(watch) { m_watch.pause(); }
        ~Pause() { m_watch.resume(); }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        FolderWatch& m_watch;
    };

    // Reads the events waiting now, right after a rename of the program's own: those naming one
    // of names are that rename's and are dropped; every other is heard as usual.
    void takeOwnRename(const std::vector<std::string>& names);

signals:
    // The first change heard since watch(); the folder is not watched further until the next
    // watch(), as there is nothing more to learn.
    void changed();

private:
    // Reads every waiting event; with own, events naming one of those are dropped.
    void readEvents(const std::vector<std::string>* own = nullptr);
    void discardEvents();
    void removeWatch();

    UniqueFd m_fd;
    QSocketNotifier* m_notifier = nullptr;
    int m_watch = -1;
    int m_paused = 0;
    bool m_changed = false;
    EntryFilter m_filter;
};

}  // namespace moxtal
