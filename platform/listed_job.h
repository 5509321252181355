#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QLocale>

#include "core/folder_rules.h"
#include "core/rename_job.h"
#include "core/rename_prediction.h"
#include "listing.h"
#include "sort_orders.h"

namespace moxtal {

// moxtal-cli's rename job over the folder it lists, its work spread over the listing's threads:
// what the job makes of each name by itself (its proposal, and in a locale that collates, its
// collation key) is made while the listing reads the names' status, on the threads that read them;
// then the names' order, and the rows in parts, one thread each, numbered in the list's order.
struct ListedJobRequest {
    int folderFd = -1;
    std::string folder;  // the folder's path, for \f
    std::vector<std::string> masks;
    JobTexts texts;
    JobNumbers numbers;
    // After the names' order, the order of a click on that column (descending: the first click).
    std::optional<SortColumn> sort;
    bool descending = false;
    QLocale locale = QLocale::system();  // whose collation orders the names
    NameBlock* nameBlock = nullptr;  // receives every name the folder holds, when given
    ListingProgress progress;
    // Hears the end of each phase: "listing", "sort", "match and number".
    std::function<void(const char* phase)> phaseEnded;
};

struct ListedJob {
    bool readable = false;  // false (and no rows) for a folder that cannot be read or a cancelled listing
    JobResult result;
};

// The rows are those of computeRenameRows (image 0) over the list of listFolderAt (sorted in the
// request's locale), reordered by columnOrder when a column is given, and so are its errors: AppError for a pattern
// that does not compile (only when a file is listed), for the first row in the list's order whose match failed or whose
// sequence number does not fit.
ListedJob runListedJob(const ListedJobRequest& request);

// The rows a pass over them would refuse (predictRefusals), with the quick check that needs no order
// in parts, a thread each (as many as a listing uses, for a large list); the rows are walked in list
// order only when a part finds one that may be refused. Nothing (no prediction at all) when no row
// can be refused.
std::vector<RowPrediction> predictRefusalsInParts(const std::vector<ConfirmRow>& rows,
                                                  const std::vector<std::string_view>& folderNames,
                                                  const FolderRules& rules);

}  // namespace moxtal
