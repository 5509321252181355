#include <gtest/gtest.h>

#include "core/rename_prediction.h"

using namespace moxtal;

namespace {

ConfirmRow row(const char* from, const char* to, std::string_view status = kStatusReplace)
{
    return {from, to, status, 0, ""};
}

std::vector<Refusal> refusals(const std::vector<RowPrediction>& predictions)
{
    std::vector<Refusal> out;
    for (const RowPrediction& p : predictions)
        out.push_back(p.refusal);
    return out;
}

TEST(RenamePrediction, EachWayThePassRefusesARow)
{
    using R = Refusal;
    struct Case {
        const char* name;
        std::vector<std::string> folder;
        std::vector<ConfirmRow> rows;
        std::vector<Refusal> expected;
    };
    const Case cases[] = {
        {"chain: each target freed by the row before", {"b", "c"}, {row("b", "a"), row("c", "b")}, {R::None, R::None}},
        {"reverse chain: each target still taken",
         {"a", "b"},
         {row("a", "b"), row("b", "c")},
         {R::TakenByLater, R::None}},
        {"swap", {"a", "b"}, {row("a", "b"), row("b", "a")}, {R::TakenByLater, R::TakenByOther}},
        {"cycle of three",
         {"a", "b", "c"},
         {row("a", "b"), row("b", "c"), row("c", "a")},
         {R::TakenByLater, R::TakenByLater, R::TakenByOther}},
        {"duplicate targets",
         {"x", "y", "z"},
         {row("x", "s"), row("y", "s"), row("z", "s")},
         {R::None, R::SameNewName, R::SameNewName}},
        {"existing file, not renamed",
         {"a", "b", "sub"},
         {row("a", "b"), row("b", "b", kStatusSameName), row("a", "sub")},
         {R::TakenByOther, R::None, R::TakenByOther}},
        {"case change is a new name", {"abc", "Other"}, {row("abc", "ABC"), row("Other", "other")}, {R::None, R::None}},
        {"case change onto another file", {"abc", "ABC"}, {row("abc", "ABC")}, {R::TakenByOther}},
        {"edited Old cell: no such file", {"a"}, {row("gone", "b"), row("a/b", "c")}, {R::NoSuchFile, R::NoSuchFile}},
        {"removed row leaves its file in place", {"a", "b"}, {row("a", "b")}, {R::TakenByOther}},
        {"the folder's own names", {"a", "b"}, {row("a", "."), row("b", "..")}, {R::TakenByOther, R::TakenByOther}},
        {"too long for a file name", {"a"}, {row("a", std::string(256, 'n').c_str())}, {R::NameTooLong}},
        {"skipped rows are never refused", {"a"}, {row("a", "", kStatusEmptyName), row("b", "b")}, {R::None, R::None}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusals(predictRefusals(c.rows, c.folder)), c.expected) << c.name;
}

TEST(RenamePrediction, ReasonsNameTheOtherRowAndTheReverseOrder)
{
    // photo_001..003 shifted to 002..004: in list order only the last moves; in reverse all would.
    const std::vector<ConfirmRow> shift {row("photo_001", "photo_002"), row("photo_002", "photo_003"),
                                         row("photo_003", "photo_004")};
    const std::vector<RowPrediction> p = predictRefusals(shift, {"photo_001", "photo_002", "photo_003"});
    EXPECT_EQ(refusalText(p[0]), "The new name belongs to a file that row 2 renames later. In the reverse list order "
                                 "this row would succeed: sort the file list the other way before \"Do!\".");
    EXPECT_EQ(refusalText(p[2]), "");
    // A swap cannot be saved by reversing.
    const std::vector<RowPrediction> swap = predictRefusals({row("a", "b"), row("b", "a")}, {"a", "b"});
    EXPECT_EQ(refusalText(swap[0]), "The new name belongs to a file that row 2 renames later.");
    EXPECT_EQ(refusalText(swap[1]), "The new name belongs to a file that is not renamed.");
    const std::vector<RowPrediction> same = predictRefusals({row("x", "s"), row("y", "s")}, {"x", "y"});
    EXPECT_EQ(refusalText(same[1]), "Row 1 gets the same new name first.");
    EXPECT_EQ(refusalText(predictRefusals({row("q", "r")}, {})[0]), "No file has the old name.");
}

}  // namespace
