#include "listed_job.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "collation.h"
#include "file_times.h"
#include "large_pages.h"
#include "listing_threads.h"

namespace moxtal {

namespace {

// How many rows ahead a row's file and proposal are fetched from memory.
constexpr std::size_t kAhead = 8;

// The work of the job in the listing's threads: each run of files gets its proposals (and keys),
// made by whichever thread read the run with tools of that thread's own, kept by the run's number.
class NameWork {
public:
    NameWork(const JobTexts& texts, const QLocale& locale, bool makeKeys)
        : m_pattern(texts), m_locale(locale), m_makeKeys(makeKeys)
    { }

    void operator()(std::size_t run, const std::vector<ListedFile>& files)
    {
        std::unique_ptr<Tools> tools;
        try {
            {
                const std::lock_guard<std::mutex> lock(m_lock);
                if (!m_idle.empty()) {
                    tools = std::move(m_idle.back());
                    m_idle.pop_back();
                }
            }
            if (!tools)
                tools = std::make_unique<Tools>(m_pattern, m_locale, m_makeKeys);
            auto made = std::make_unique<Made>();
            made->proposals.reserve(files.size());
            for (const ListedFile& file : files)
                made->proposals.push_back(tools->proposer.propose(file.name));
            if (m_makeKeys) {
                made->keyEnds.reserve(files.size());
                for (const ListedFile& file : files) {
                    tools->keys->appendKey(file.name, made->keys);
                    made->keyEnds.push_back(made->keys.size());
                }
            }
            const std::lock_guard<std::mutex> lock(m_lock);
            if (m_runs.size() <= run)
                m_runs.resize(run + 1);
            m_runs[run] = std::move(made);
            m_idle.push_back(std::move(tools));
        } catch (...) {
            // Not the job's own errors (those are proposals): out of memory, say.
            const std::lock_guard<std::mutex> lock(m_lock);
            if (!m_failure)
                m_failure = std::current_exception();
        }
    }

    // Once the listing is done: each file's proposal and key, in the list's order, when every run
    // was worked on; else false (the caller makes them itself). Throws what the work could not
    // get past.
    bool collect(std::size_t files, std::vector<NameProposal*>& proposals, std::vector<std::string_view>& keys)
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
        proposals.reserve(files);
        if (m_makeKeys)
            keys.reserve(files);
        for (const std::unique_ptr<Made>& made : m_runs) {
            if (!made)
                return false;
            for (NameProposal& proposal : made->proposals)
                proposals.push_back(&proposal);
            std::size_t start = 0;
            for (const std::size_t end : made->keyEnds) {
                keys.push_back(std::string_view(made->keys).substr(start, end - start));
                start = end;
            }
        }
        return proposals.size() == files && (!m_makeKeys || keys.size() == files);
    }

    JobPattern& pattern() { return m_pattern; }

    // Once the order is made: the keys' room goes back to the heap.
    void dropKeys()
    {
        for (const std::unique_ptr<Made>& made : m_runs) {
            if (made) {
                std::string().swap(made->keys);
                std::vector<std::size_t>().swap(made->keyEnds);
            }
        }
    }

private:
    // A thread's own proposer (with its match context) and collator.
    struct Tools {
        Tools(JobPattern& pattern, const QLocale& locale, bool makeKeys) : proposer(pattern)
        {
            if (makeKeys)
                keys.emplace(Qt::CaseSensitive, locale);
        }
        NameProposer proposer;
        std::optional<CollationKeyMaker> keys;
    };
    struct Made {
        std::vector<NameProposal> proposals;
        std::string keys;  // the run's collation keys, one after the other
        std::vector<std::size_t> keyEnds;  // where each ends
    };

    JobPattern m_pattern;
    const QLocale m_locale;
    const bool m_makeKeys;
    std::mutex m_lock;
    std::vector<std::unique_ptr<Made>> m_runs;  // by run number
    std::vector<std::unique_ptr<Tools>> m_idle;
    std::exception_ptr m_failure;
};

void phaseEnded(const ListedJobRequest& request, const char* phase)
{
    if (request.phaseEnded)
        request.phaseEnded(phase);
}

}  // namespace

ListedJob runListedJob(const ListedJobRequest& request)
{
    ListedJob job;
    // In a locale that collates, the names' order compares keys: made in the listing's threads.
    const bool makeKeys = comparesCollationKeys(request.locale);
    NameWork work(request.texts, request.locale, makeKeys);
    std::vector<std::vector<ListedFile>> runs;
    listFolderUnsortedAt(request.folderFd, request.masks,
                         {&job.readable, nullptr, request.nameBlock, request.progress,
                          [&work](std::size_t run, const std::vector<ListedFile>& listed) { work(run, listed); },
                          &runs});
    phaseEnded(request, "listing");
    if (!job.readable)
        return job;

    // The files in the list's order, where their runs hold them.
    std::vector<ListedFile*> files;
    {
        std::size_t count = 0;
        for (const std::vector<ListedFile>& run : runs)
            count += run.size();
        files.reserve(count);
        for (std::vector<ListedFile>& run : runs) {
            for (ListedFile& file : run)
                files.push_back(&file);
        }
    }
    std::vector<NameProposal*> proposals;
    std::vector<std::string_view> keys;
    // Only when the listing's work missed runs, which it never should: the same made here.
    std::vector<NameProposal> madeHere;
    if (!work.collect(files.size(), proposals, keys)) {
        NameProposer proposer(work.pattern());
        madeHere.reserve(files.size());
        proposals.clear();
        for (const ListedFile* file : files) {
            madeHere.push_back(proposer.propose(file->name));
            proposals.push_back(&madeHere.back());
        }
        keys.clear();
    }

    // The names' order of listFolderAt (sortByName): by their bytes or by the keys made.
    std::vector<std::size_t> order;
    {
        std::vector<std::string_view> names;
        names.reserve(files.size());
        for (const ListedFile* file : files)
            names.emplace_back(file->name);
        order = !keys.empty() ? collationOrder(names, keys)
                              : collationOrder(names, Qt::CaseSensitive, false, request.locale);
    }
    // The keys have done their work: their room is the rows'.
    keys = {};
    work.dropKeys();
    std::vector<ListedFile> sorted;  // a column's order sorts the list itself
    if (request.sort) {
        sorted.reserve(files.size());
        for (const std::size_t i : order)
            sorted.push_back(std::move(*files[i]));
        applyOrder(proposals, order);
        order = columnOrder(sorted, *request.sort, request.descending);
        for (std::size_t i = 0; i < sorted.size(); ++i)
            files[i] = &sorted[i];
    }
    phaseEnded(request, "sort");

    // The rows in parts of the list, each numbering on from the rows before it that take a number.
    std::vector<std::string> dates;
    if (replacementUsesDate(request.texts.replacement)) {
        dates.reserve(files.size());
        for (const ListedFile* file : files)
            dates.push_back(dateTextOf(file->timeStamp));
    }
    const std::size_t count = order.size();
    const std::size_t parts = partsFor(count);
    const auto bound = [&](std::size_t part) { return count * part / parts; };
    // Which files get a row and which a number, one byte each in the list's order: counted in the
    // order of the rows without reaching for each proposal again.
    constexpr std::uint8_t kRow = 1, kNumber = 2;
    std::vector<std::uint8_t> takes(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const NameProposal& proposal = *proposals[i];
        takes[i] = static_cast<std::uint8_t>((proposal.outcome != NameProposal::Outcome::NoMatch ? kRow : 0) |
                                             (RowMaker::takesNumber(proposal) ? kNumber : 0));
    }
    std::vector<std::size_t> rowsBefore(parts + 1, 0);
    std::vector<std::uint64_t> numberedBefore(parts + 1, 0);
    runInParts(parts, [&](std::size_t part) {
        for (std::size_t at = bound(part); at < bound(part + 1); ++at) {
            rowsBefore[part + 1] += (takes[order[at]] & kRow) != 0 ? 1 : 0;
            numberedBefore[part + 1] += (takes[order[at]] & kNumber) != 0 ? 1 : 0;
        }
    });
    for (std::size_t part = 0; part < parts; ++part) {
        rowsBefore[part + 1] += rowsBefore[part];
        numberedBefore[part + 1] += numberedBefore[part];
    }
    reserveInLargePages(job.result.rows, rowsBefore[parts], parts);
    job.result.rows.resize(rowsBefore[parts]);
    // A part stops at its first error; the first part's error is the list's first.
    runInParts(parts, [&](std::size_t part) {
        RowMaker rows(request.folder, request.numbers, numberedBefore[part]);
        std::size_t row = rowsBefore[part];
        const std::size_t end = bound(part + 1);
        for (std::size_t at = bound(part); at < end; ++at) {
            // The list's order is not the order of the files in memory: each is fetched ahead.
            if (at + kAhead < end) {
                __builtin_prefetch(proposals[order[at + kAhead]]);
                __builtin_prefetch(files[order[at + kAhead]]);
            }
            if (at + kAhead / 2 < end)
                __builtin_prefetch(files[order[at + kAhead / 2]]->name.data());
            const std::size_t i = order[at];
            if ((takes[i] & kRow) == 0)
                continue;
            NameProposal& proposal = *proposals[i];
            ListedFile& file = *files[i];
            const JobEntry entry {file.name, 0, dates.empty() ? std::string_view() : dates[i], &file.name};
            job.result.rows[row++] = rows.make(entry, proposal);
        }
    });
    job.result.counter = RowMaker(request.folder, request.numbers, numberedBefore[parts]).counter();
    phaseEnded(request, "match and number");
    return job;
}

std::vector<RowPrediction> predictRefusalsInParts(const std::vector<ConfirmRow>& rows,
                                                  const std::vector<std::string_view>& folderNames,
                                                  const FolderRules& rules)
{
    const std::size_t parts = partsFor(rows.size());
    QuickRefusalCheck check(rows, folderNames, rules, parts);
    std::vector<char> may(parts, 0);
    runInParts(parts, [&](std::size_t part) { check.hash(part); });
    runInParts(parts, [&](std::size_t part) { may[part] = check.mayRefuse(part) ? 1 : 0; });
    if (std::find(may.begin(), may.end(), 1) == may.end())
        return {};
    return walkRefusals(rows, folderNames, rules);
}

}  // namespace moxtal
