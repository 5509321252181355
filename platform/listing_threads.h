#pragma once

namespace moxtal {

// The one knob for how many threads the work of a listing shares: the status reads of its names
// (status_readers.h) and the collation keys and sorts of its order (collation.h). Chosen, first to
// last, by setListingThreads (the tests), by MOXTAL_LIST_THREADS (the benchmark compares with 1;
// at most 64), else by the machine: its cores, at most 8; for the status reads of a folder on a
// file server (waitsOnServer: NFS, SMB, FUSE and the like), where the threads mostly wait, 16.
int listingThreads(bool waitsOnServer = false);

// Sets the number listingThreads gives; 0 (the default) lets it choose as said there.
void setListingThreads(int threads);

}  // namespace moxtal
