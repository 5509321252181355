#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "rename_job.h"

namespace moxtal {

// Why the rename pass will refuse a row, worked out before it runs.
enum class Refusal {
    None,
    NoSuchFile,  // no file has the old name when the row's turn comes
    TakenByOther,  // the new name belongs to a file that no row renames
    TakenByLater,  // the new name belongs to a file that a later row renames away
    SameNewName,  // an earlier row moves another file onto the new name
    NameTooLong,  // the new name is longer than a file name may be
};

// The longest file name, in bytes, that Linux file systems take.
inline constexpr std::size_t kMaxNameBytes = 255;

struct RowPrediction {
    Refusal refusal = Refusal::None;
    std::size_t otherRow = 0;  // the later row (TakenByLater) or the earlier one (SameNewName)
    bool reverseOrderSucceeds = false;  // TakenByLater: the row would succeed with the rows in reverse order
};

// Walks the rows in list order over the names the folder holds now, as the pass renames them: a
// "Replace" row is refused when its file is not there, or when its new name is taken (a file has
// it now and no earlier row moved it away, or an earlier row moved a file onto it), or longer than
// kMaxNameBytes. Names compare
// by their bytes, as on a case-sensitive file system. Linear in the rows and names.
std::vector<RowPrediction> predictRefusals(const std::vector<ConfirmRow>& rows,
                                           const std::vector<std::string>& folderNames);

// The reason in a short sentence, with rows numbered from 1 as the dialog shows them.
std::string refusalText(const RowPrediction& prediction);

}  // namespace moxtal
