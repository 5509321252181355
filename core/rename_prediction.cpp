#include "rename_prediction.h"

#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace moxtal {

namespace {

constexpr std::size_t kOriginal = std::numeric_limits<std::size_t>::max();

bool attempted(const ConfirmRow& row)
{
    return row.status == kStatusReplace && row.oldName != row.newName;
}

// One walk over the rows in the given order. holder maps each name present to the row that moved a
// file onto it, or kOriginal for a file that was there before.
class PassWalk {
public:
    explicit PassWalk(const std::vector<std::string>& folderNames)
    {
        m_holder.reserve(folderNames.size() * 2);
        for (const std::string& name : folderNames)
            m_holder.emplace(name, kOriginal);
        // Every folder holds these two.
        m_holder.emplace(".", kOriginal);
        m_holder.emplace("..", kOriginal);
    }

    // Renames row i in the walk; false when the pass would refuse it, with who holds the new name.
    bool rename(const ConfirmRow& row, std::size_t i, std::size_t& holder, bool& missing)
    {
        missing = m_holder.find(row.oldName) == m_holder.end();
        if (missing || row.newName.size() > kMaxNameBytes)
            return false;
        if (const auto taken = m_holder.find(row.newName); taken != m_holder.end()) {
            holder = taken->second;
            return false;
        }
        m_holder.erase(row.oldName);
        m_holder.emplace(row.newName, i);
        return true;
    }

private:
    std::unordered_map<std::string_view, std::size_t> m_holder;
};

}  // namespace

std::vector<RowPrediction> predictRefusals(const std::vector<ConfirmRow>& rows,
                                           const std::vector<std::string>& folderNames)
{
    std::vector<RowPrediction> out(rows.size());
    // The last row that renames each name away, to tell a later row's file from an unrenamed one.
    std::unordered_map<std::string_view, std::size_t> lastRenaming;
    lastRenaming.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (attempted(rows[i]))
            lastRenaming[rows[i].oldName] = i;
    }
    PassWalk walk(folderNames);
    bool anyLater = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!attempted(rows[i]))
            continue;
        std::size_t holder = kOriginal;
        bool missing = false;
        if (walk.rename(rows[i], i, holder, missing))
            continue;
        RowPrediction& p = out[i];
        if (missing) {
            p.refusal = Refusal::NoSuchFile;
        } else if (rows[i].newName.size() > kMaxNameBytes) {
            p.refusal = Refusal::NameTooLong;
        } else if (holder != kOriginal) {
            p = {Refusal::SameNewName, holder, false};
        } else if (const auto later = lastRenaming.find(rows[i].newName); later != lastRenaming.end() && later->second > i) {
            p = {Refusal::TakenByLater, later->second, false};
            anyLater = true;
        } else {
            p.refusal = Refusal::TakenByOther;
        }
    }
    if (anyLater) {
        // The same pass in reverse order tells which of these rows a reversed list would save.
        PassWalk reverse(folderNames);
        for (std::size_t i = rows.size(); i-- > 0;) {
            std::size_t holder = kOriginal;
            bool missing = false;
            const bool ok = attempted(rows[i]) && reverse.rename(rows[i], i, holder, missing);
            if (out[i].refusal == Refusal::TakenByLater)
                out[i].reverseOrderSucceeds = ok;
        }
    }
    return out;
}

std::string refusalText(const RowPrediction& p)
{
    const std::string other = std::to_string(p.otherRow + 1);
    switch (p.refusal) {
    case Refusal::None: return {};
    case Refusal::NoSuchFile: return "No file has the old name.";
    case Refusal::TakenByOther: return "The new name belongs to a file that is not renamed.";
    case Refusal::TakenByLater:
        return "The new name belongs to a file that row " + other + " renames later." +
               (p.reverseOrderSucceeds ? " In the reverse list order this row would succeed: sort the file list "
                                         "the other way before \"Do!\"."
                                       : "");
    case Refusal::SameNewName: return "Row " + other + " gets the same new name first.";
    case Refusal::NameTooLong: return "The new name is longer than 255 bytes.";
    }
    return {};
}

}  // namespace moxtal
