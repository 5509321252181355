#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "listing.h"

namespace moxtal {

// Calls visit(name) for every subfolder of the folder at path, hidden ones and links to folders
// included ("." and ".." never), in the folder's order, until visit returns false; false when the
// folder cannot be read. Entries that come without their kind (some FUSE and network file systems,
// XFS without ftype) and links have their status read together with the listing's status readers,
// a batch at a time, the batches growing from a few names (a search for the first subfolder reads
// few statuses) to many (where the round trips to a file server overlap). progress, when given,
// hears how many entries are done now and then; false stops the walk, which then answers false
// too, as for a folder that cannot be read.
bool forEachSubfolder(const std::string& path, const std::function<bool(const std::string& name)>& visit,
                      const ListingProgress& progress = {});

// For each of names, folders in the folder at path: whether it has a subfolder of its own (as
// forEachSubfolder finds one, stopping at the first). The folders are probed by several threads at
// once (answerEach, status_readers.h), so that on a file server the round trips overlap. progress
// hears how many folders are probed now and then; nothing when the folder cannot be opened or the
// progress cancelled the probes.
std::optional<std::vector<char>> withSubfolders(const std::string& path, const std::vector<std::string>& names,
                                                const ListingProgress& progress = {});

}  // namespace moxtal
