#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "listed_folder.h"
#include "rename_job.h"

namespace moxtal {

// A rename pass as it is handed over, from the main window to the confirmation dialog and within
// moxtal-cli: the rows of a job over the files listed from one folder, with that folder, so that
// the pass renames there and nowhere else.
struct RenamePlan {
    std::string folder;  // its path as bytes; the full paths are folder + "/" + name
    std::optional<FolderIdentity> listed;  // the folder listed, which the pass checks it renames in
    std::vector<ConfirmRow> rows;
    // Every name the folder held when it was listed, for marking the rows the pass would refuse;
    // none when they were not kept.
    std::shared_ptr<const FolderNames> listedNames;
};

}  // namespace moxtal
