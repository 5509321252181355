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
        {"as long as a file name may be", {"a"}, {row("a", std::string(255, 'n').c_str())}, {R::None}},
        {"skipped rows are never refused", {"a"}, {row("a", "", kStatusEmptyName), row("b", "b")}, {R::None, R::None}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(refusals(predictRefusals(c.rows, c.folder)), c.expected) << c.name;
        // The walk alone gives the same; the quick check, whole or in parts by hash, leaves it every
        // row that may be refused.
        const std::vector<std::string_view> names(c.folder.begin(), c.folder.end());
        EXPECT_EQ(refusals(walkRefusals(c.rows, names)), c.expected) << c.name;
        const bool refused = c.expected != std::vector<Refusal>(c.expected.size(), R::None);
        for (const std::size_t parts : {1, 2, 3}) {
            const FolderRules rules;
            QuickRefusalCheck check(c.rows, names, rules, parts);
            bool may = false;
            for (std::size_t part = 0; part < parts; ++part)
                check.hash(part);
            for (std::size_t part = 0; part < parts; ++part)
                may = check.mayRefuse(part) || may;
            EXPECT_EQ(may, mayRefuse(c.rows, names)) << c.name << " in parts: " << parts;
            EXPECT_TRUE(may || !refused) << c.name;
        }
    }
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

std::string repeated(std::string_view piece, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(RenamePrediction, FolderRulesDecideWhatIsTaken)
{
    using R = Refusal;
    using K = FileSystemKind;
    FolderRules casefold;
    casefold.folding = CaseFolding::Casefold;
    const std::string longAccented = repeated("é", 127) + ".txt";  // 258 bytes, 131 UTF-16 units
    struct Case {
        const char* name;
        FolderRules rules;
        std::vector<std::string> folder;
        std::vector<ConfirmRow> rows;
        std::vector<Refusal> expected;
    };
    const Case cases[] = {
        {"folded: the other file's name in another case",
         rulesOfKind(K::Fat),
         {"a.txt", "B.txt"},
         {row("a.txt", "b.txt")},
         {R::TakenByOther}},
        {"bytes: the same rows succeed", {}, {"a.txt", "B.txt"}, {row("a.txt", "b.txt")}, {R::None}},
        {"folded: chain freed by the row before",
         rulesOfKind(K::Exfat),
         {"B", "C"},
         {row("B", "a"), row("C", "b")},
         {R::None, R::None}},
        {"folded: chain in the wrong order",
         rulesOfKind(K::Exfat),
         {"a", "B"},
         {row("a", "b"), row("B", "c")},
         {R::TakenByLater, R::None}},
        {"folded: case change of the file itself",
         rulesOfKind(K::Fat),
         {"Photo.JPG", "x"},
         {row("Photo.JPG", "photo.JPG")},
         {R::None}},
        {"folded: case change onto an entry of that exact spelling",
         rulesOfKind(K::Smb),
         {"Photo.JPG", "photo.JPG"},
         {row("Photo.JPG", "photo.JPG")},
         {R::TakenByOther}},
        {"folded: a later row onto a name changed in case",
         rulesOfKind(K::Fat),
         {"Photo.JPG", "x"},
         {row("Photo.JPG", "photo.JPG"), row("x", "PHOTO.jpg")},
         {R::None, R::SameNewName}},
        {"folded: two new names alike but for case",
         rulesOfKind(K::Exfat),
         {"x", "y"},
         {row("x", "Name"), row("y", "NAME")},
         {R::None, R::SameNewName}},
        {"casefold: composed onto decomposed",
         casefold,
         {"e\u0301.txt", "x.txt"},
         {row("x.txt", "É.txt")},
         {R::TakenByOther}},
        {"UTF-16: 258 bytes in 131 units", rulesOfKind(K::Exfat), {"x"}, {row("x", longAccented.c_str())}, {R::None}},
        {"bytes: 258 bytes", {}, {"x"}, {row("x", longAccented.c_str())}, {R::NameTooLong}},
        {"Windows characters",
         rulesOfKind(K::Exfat),
         {"x", "y"},
         {row("x", "say \"hi\""), row("y", "a:b")},
         {R::NotAllowedHere, R::NotAllowedHere}},
        {"trailing dot and space on FAT",
         rulesOfKind(K::Fat),
         {"x", "y"},
         {row("x", "x."), row("y", "y ")},
         {R::NotAllowedHere, R::NotAllowedHere}},
        {"a refused name frees nothing",
         rulesOfKind(K::Fat),
         {"a", "b"},
         {row("a", "a?"), row("b", "A")},
         {R::NotAllowedHere, R::TakenByOther}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusals(predictRefusals(c.rows, c.folder, c.rules)), c.expected) << c.name;
}

TEST(RenamePrediction, NamesTheFileSystemRefusesWhateverTheFolderHolds)
{
    using R = Refusal;
    using K = FileSystemKind;
    struct Case {
        const char* name;
        FileSystemKind kind;
        std::string newName;
        Refusal expected;
    };
    const Case cases[] = {
        {"ext4: 255 bytes", K::Other, std::string(255, 'n'), R::None},
        {"ext4: 256 bytes", K::Other, std::string(256, 'n'), R::NameTooLong},
        {"ext4: any character", K::Other, "say \"hi\"?.txt", R::None},
        {"ext4: bytes that are not UTF-8", K::Other, "\xff.txt", R::None},
        {"exFAT: 258 bytes in 131 units", K::Exfat, repeated("é", 127) + ".txt", R::None},
        {"exFAT: 256 units", K::Exfat, std::string(256, 'n'), R::NameTooLong},
        {"exFAT: 255 units with pairs", K::Exfat, repeated("😀", 127) + "a", R::None},
        {"exFAT: 256 units with pairs", K::Exfat, repeated("😀", 128), R::NameTooLong},
        {"FAT: 255 units but 258 bytes", K::Fat, repeated("é", 127) + ".txt", R::NameTooLong},
        {"exFAT: not UTF-8", K::Exfat, "\xff.txt", R::NotAllowedHere},
        {"exFAT: double quote", K::Exfat, "say \"hi\".txt", R::NotAllowedHere},
        {"exFAT: control character", K::Exfat, "tab\tname", R::NotAllowedHere},
        {"exFAT: trailing dot", K::Exfat, "name.", R::NotAllowedHere},
        {"exFAT: trailing space stays", K::Exfat, "name ", R::None},
        {"FAT: trailing space", K::Fat, "name ", R::NotAllowedHere},
        {"FAT: dots inside", K::Fat, ".hidden.tar.gz", R::None},
        {"NTFS: trailing dot", K::Ntfs, "name.", R::None},
        {"NTFS with Windows names: trailing space", K::NtfsWindowsNames, "name ", R::NotAllowedHere},
        {"NTFS with Windows names: pipe", K::NtfsWindowsNames, "a|b", R::NotAllowedHere},
        {"SMB: characters the client maps", K::Smb, "a:b?", R::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusedForNameAlone(rulesOfKind(c.kind), c.newName), c.expected) << c.name;
    for (const char c : std::string("\"*/:<>?\\|\x01\x1f"))
        EXPECT_EQ(refusedForNameAlone(rulesOfKind(K::Fat), std::string("a") + c + "b"), R::NotAllowedHere) << int(c);
}

TEST(RenamePrediction, ReasonsForTheFileSystem)
{
    const std::vector<ConfirmRow> rows {row("x", "a:b"), row("y", std::string(300, 'n').c_str())};
    EXPECT_EQ(refusalText(predictRefusals(rows, {"x", "y"}, rulesOfKind(FileSystemKind::Exfat))[0]),
              "The new name is not allowed on this file system.");
    EXPECT_EQ(refusalText(predictRefusals(rows, {"x", "y"}, rulesOfKind(FileSystemKind::Exfat))[1]),
              "The new name is longer than 255 UTF-16 units.");
    EXPECT_EQ(refusalText(predictRefusals(rows, {"x", "y"}, rulesOfKind(FileSystemKind::Fat))[1]),
              "The new name is longer than 255 bytes.");
}

}  // namespace
