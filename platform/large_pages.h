#pragma once

#include <cstddef>
#include <vector>

namespace moxtal {

// Asks the kernel to back the block at data with large pages (2 MB) where it can: a block of
// megabytes filled at once then meets one page fault per large page instead of one per 4 KB, and
// on a virtual machine a fault costs more than the work done on the page. Only a hint, for the
// whole large pages inside the block: where the kernel leaves large pages off, nothing changes.
void preferLargePages(const void* data, std::size_t bytes);

// Has the kernel make the pages of the block at data present before they are first written,
// shared out among parts threads (as many as a listing uses): its work on them (finding and
// clearing them) is shared, and the one thread that fills the block then meets no page fault.
// The block's bytes stay as they are.
void populatePages(const void* data, std::size_t bytes, std::size_t parts);

// Reserves room for count items in large pages, where the block is large enough to hold any; with
// parts, its pages are made present by that many threads.
template <typename T> void reserveInLargePages(std::vector<T>& items, std::size_t count, std::size_t parts = 0)
{
    items.reserve(count);
    preferLargePages(items.data(), items.capacity() * sizeof(T));
    if (parts > 0)
        populatePages(items.data(), items.capacity() * sizeof(T), parts);
}

// For a program that holds many names at once (moxtal-cli): every thread allocates from the one
// heap, which keeps what is freed and takes its first bytes megabytes from its start in large
// pages, so that most allocations, small and large, meet few page faults. Call it first thing.
void keepHeapInLargePages(std::size_t bytes);

}  // namespace moxtal
