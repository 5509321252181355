#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "folder_rules.h"
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
    NotAllowedHere,  // the file system refuses a character of the new name, or its last one
};

struct RowPrediction {
    Refusal refusal = Refusal::None;
    std::size_t otherRow = 0;  // the later row (TakenByLater) or the earlier one (SameNewName)
    bool reverseOrderSucceeds = false;  // TakenByLater: the row would succeed with the rows in reverse order
    bool countedInUtf16 = false;  // NameTooLong: the limit it exceeds counts UTF-16 units, not bytes
};

// Walks the rows in list order over the names the folder holds now, as the pass renames them: a
// "Replace" row is refused when its file is not there, or when its new name is taken (a file has
// it now and no earlier row moved it away, or an earlier row moved a file onto it), or when the
// file system would refuse the new name itself (refusedForNameAlone). Names compare as the folder's
// rules fold them; the default rules are those of ext4 (bytes, at most kMaxNameBytes). In a folder
// that folds case, a new spelling of a file's own name (Photo.JPG -> photo.JPG) is refused only when
// another entry has exactly that spelling. Linear in the rows and names.
std::vector<RowPrediction> predictRefusals(const std::vector<ConfirmRow>& rows,
                                           const std::vector<std::string>& folderNames, const FolderRules& rules = {});

// The quick part of that check, which needs no order: false when no row can be refused, because
// every file a row renames is there and renamed by no other row, and every new name is one that no
// entry has, no other row gives and the file system takes; true when the rows must be walked
// (walkRefusals; in a folder that folds case, always). predictRefusals is this and, when it says
// so, the walk.
bool mayRefuse(const std::vector<ConfirmRow>& rows, const std::vector<std::string_view>& folderNames,
               const FolderRules& rules = {});

// The same in parts, each of which may run on a thread of its own: first each part hashes its slice
// of the names (hash), then, once all have, each part checks the names whose hashes fall to it
// (mayRefuse). The rows must be walked when any part says so. The rows, names and rules must
// outlive the check.
class QuickRefusalCheck {
public:
    QuickRefusalCheck(const std::vector<ConfirmRow>& rows, const std::vector<std::string_view>& folderNames,
                      const FolderRules& rules, std::size_t parts);
    void hash(std::size_t slice);
    bool mayRefuse(std::size_t part) const;

private:
    enum class Kind : std::uint8_t { Folder, Old, New };
    struct Name {
        std::uint64_t hash;
        std::uint32_t index;  // into the folder's names (past them "." and ".."), or the row's
        Kind kind;
    };
    const std::vector<ConfirmRow>& m_rows;
    const std::vector<std::string_view>& m_folderNames;
    const FolderRules& m_rules;
    std::size_t m_parts;
    // By the slice that hashed them, then by the part they fall to: the folder's names, and the old
    // and new names of the rows that rename.
    std::vector<std::vector<std::vector<Name>>> m_folder;
    std::vector<std::vector<std::vector<Name>>> m_renamed;
};

// The walk of predictRefusals over the rows in list order.
std::vector<RowPrediction> walkRefusals(const std::vector<ConfirmRow>& rows,
                                        const std::vector<std::string_view>& folderNames,
                                        const FolderRules& rules = {});

// Whether the file system refuses newName whatever the folder holds: NameTooLong (which it answers
// with ENAMETOOLONG), NotAllowedHere (EINVAL: a refused character, a trailing dot or space it does
// not take, or a name that is not UTF-8 where names are kept in UTF-16), else None.
Refusal refusedForNameAlone(const FolderRules& rules, std::string_view newName);

// The reason in a short sentence, with rows numbered from 1 as the dialog shows them.
std::string refusalText(const RowPrediction& prediction);

}  // namespace moxtal
