#pragma once

#include <cstddef>
#include <functional>

namespace moxtal {

// The one knob for how many threads the work of a listing shares: the status reads of its names
// (status_readers.h) and the collation keys and sorts of its order (collation.h). Chosen, first to
// last, by setListingThreads (the tests), by MOXTAL_LIST_THREADS (the benchmark compares with 1;
// at most 64), else by the machine: its cores, at most 8; for the status reads of a folder on a
// file server (waitsOnServer: NFS, SMB, FUSE and the like), where the threads mostly wait, 16.
int listingThreads(bool waitsOnServer = false);

// Sets the number listingThreads gives; 0 (the default) lets it choose as said there.
void setListingThreads(int threads);

// How many parts work over count items (names, rows) is cut into, a thread each: one below a few
// thousand, where the threads cost more than they save, else as many as a listing uses.
std::size_t partsFor(std::size_t count);

// Runs work(part) for every part from 0 to parts - 1 at once, each on a thread of its own (part 0
// on the calling one; when no more threads are to be had, the calling one does the rest), and
// returns when all are done. When parts throw, the exception of the first of them (in the parts'
// order) is thrown on, the others dropped: a part that stops at its first error, over a list cut
// into parts in order, so gives the first error of the whole list.
void runInParts(std::size_t parts, const std::function<void(std::size_t part)>& work);

}  // namespace moxtal
