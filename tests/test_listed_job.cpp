#include <gtest/gtest.h>

#include <tuple>

#include "platform/collation.h"
#include "platform/listed_job.h"
#include "platform/listing_threads.h"
#include "platform/posix_handles.h"
#include "platform/sort_orders.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

using Rows = std::vector<std::tuple<std::string, std::string, std::string_view, int>>;

Rows rowsOf(const JobResult& job)
{
    Rows out;
    for (const ConfirmRow& row : job.rows)
        out.emplace_back(row.oldName, row.newName, row.status, row.image);
    return out;
}

struct Job {
    const char* name;
    JobTexts texts;
    QLocale locale;
    std::optional<SortColumn> sort;
};

// What moxtal-cli's job over the folder gives, rows or error.
std::pair<Rows, std::string> listedJob(const TempFolder& dir, const Job& job)
{
    const UniqueFd fd = openFolderFd(dir.path());
    ListedJobRequest request;
    request.folderFd = fd.get();
    request.folder = dir.path();
    request.masks = {"*.*"};
    request.texts = job.texts;
    request.numbers = parseJobNumbers(job.texts);
    request.sort = job.sort;
    request.descending = true;
    request.locale = job.locale;
    try {
        const ListedJob listed = runListedJob(request);
        EXPECT_TRUE(listed.readable);
        return {rowsOf(listed.result), std::to_string(listed.result.counter.value_or(-1))};
    } catch (const AppError& e) {
        return {{}, e.what()};
    }
}

// The same as the window computes it: the list, its order, then the job row after row.
std::pair<Rows, std::string> jobOverTheList(const TempFolder& dir, const Job& job)
{
    std::vector<ListedFile> files = listFolder(dir.path(), {"*.*"});
    sortByName(files, job.locale);
    if (job.sort)
        applyOrder(files, columnOrder(files, *job.sort, true));
    const std::vector<std::string> dates = jobDateTexts(files, job.texts.replacement);
    std::vector<JobEntry> entries;
    for (std::size_t i = 0; i < files.size(); ++i)
        entries.push_back({files[i].name, 0, dates.empty() ? std::string_view() : dates[i]});
    try {
        const JobResult result = computeRenameRows(dir.path(), entries, job.texts);
        return {rowsOf(result), std::to_string(result.counter.value_or(-1))};
    } catch (const AppError& e) {
        return {{}, e.what()};
    }
}

TEST(ListedJob, TheRowsAndErrorsOfTheJobOverTheListWhateverTheThreads)
{
    // Enough names for every part of the work to be spread over threads, in both cases, with
    // backslashes and marker bytes of their own, accents, some the patterns do not match, and two
    // (one early and one late in the order) on which a match runs out of its limit.
    TempFolder dir;
    const std::string slow(30, 'a');
    for (int i = 0; i < 5000; ++i) {
        const std::string n = std::to_string(i * 7 % 5003);
        const char* const shapes[] = {"f", "F", "b\\", "\xC3\xA9", "_g", "m\x08"};
        dir.write(shapes[i % 6] + n + (i % 4 ? ".txt" : ".JPG"), std::string(1 + i % 3, 'x'));
    }
    dir.write(slow + "c.txt");
    dir.write("z" + slow + "c.txt");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const Job jobs[] = {
        {"numbered from the start", {"(.*)", "img_\\\\\\\\", "1", "1"}, QLocale::c(), {}},
        {"groups, dates and folder of some", {"^([fb].)(\\d*)", "\\2\\\\-\\1\\d\\f", "-3", "-2"}, QLocale::c(), {}},
        {"collated, then by size", {"([^a]*)", "\\1_\\\\\\", "0", "7"}, english, SortColumn::Size},
        {"a name and extension case", {"^F(\\d+)$", "f\\1", "0", "1"}, english, SortColumn::Name},
        {"the first failed match in the order", {"(*LIMIT_MATCH=1000)(a+)+b|c$", "x", "0", "1"}, QLocale::c(), {}},
        {"the first number that does not fit", {"^[fF]", "\\\\", "2147482647", "1"}, QLocale::c(), {}},
        {"a pattern that does not compile", {"(", "x", "0", "1"}, english, {}},
    };
    for (const Job& job : jobs) {
        const auto expected = jobOverTheList(dir, job);
        EXPECT_GT(expected.first.size() + expected.second.size(), 20u) << job.name;
        for (const int threads : {1, 2, 5}) {
            setListingThreads(threads);
            EXPECT_EQ(listedJob(dir, job), expected) << job.name << ", threads: " << threads;
        }
    }
    setListingThreads(0);
}

TEST(ListedJob, TheRefusalsInPartsAreTheWalksWhateverTheThreads)
{
    // Rows enough for the quick check to be cut into parts: none refused, then one taken name late
    // in the list, one clash between two rows, and one file gone.
    std::vector<std::string> entries;
    std::vector<ConfirmRow> rows;
    for (int i = 0; i < 6000; ++i) {
        entries.push_back("f" + std::to_string(i));
        rows.push_back({"f" + std::to_string(i), "g" + std::to_string(i), kStatusReplace});
    }
    const auto walked = [&](const std::vector<ConfirmRow>& r) {
        const std::vector<RowPrediction> all = predictRefusals(r, entries);
        std::vector<std::pair<std::size_t, Refusal>> refused;
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].refusal != Refusal::None)
                refused.emplace_back(i, all[i].refusal);
        return refused;
    };
    const std::vector<std::string_view> names(entries.begin(), entries.end());
    std::vector<std::vector<ConfirmRow>> cases(4, rows);
    cases[1][5990].newName = "f3";  // f3 is renamed by an earlier row: no refusal
    cases[1][5991].newName = "g5999";  // a later row's new name: refused one way or the other
    cases[2][10].newName = "g4000";
    cases[3][4500].oldName = "gone";
    for (std::size_t c = 0; c < cases.size(); ++c) {
        for (const int threads : {1, 2, 5}) {
            setListingThreads(threads);
            const std::vector<RowPrediction> parts = predictRefusalsInParts(cases[c], names, {});
            EXPECT_EQ(parts.empty(), c == 0) << "case " << c;
            std::vector<std::pair<std::size_t, Refusal>> refused;
            for (std::size_t i = 0; i < parts.size(); ++i)
                if (parts[i].refusal != Refusal::None)
                    refused.emplace_back(i, parts[i].refusal);
            EXPECT_EQ(refused, walked(cases[c])) << "case " << c << ", threads: " << threads;
        }
    }
    setListingThreads(0);
}

}  // namespace
