#include "large_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sys/mman.h>

#include "listing_threads.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace moxtal {

void preferLargePages(const void* data, std::size_t bytes)
{
    constexpr std::uintptr_t kLargePage = std::uintptr_t {2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
    if (data && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void populatePages(const void* data, std::size_t bytes, std::size_t parts)
{
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kPage - 1);
    if (!data || last <= first || parts == 0)
        return;
    const std::uintptr_t pages = (last - first) / kPage;
    runInParts(parts, [&](std::size_t part) {
        const std::uintptr_t from = first + pages * part / parts * kPage;
        const std::uintptr_t to = first + pages * (part + 1) / parts * kPage;
        // Only a hint: a kernel without it (before Linux 5.14) leaves the pages to their faults.
        if (to > from)
            ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    });
}

void keepHeapInLargePages(std::size_t bytes)
{
#ifdef __GLIBC__
    // One arena for every thread, blocks up to the largest the heap may hand out from it too,
    // nothing given back while the program runs: the heap grows at once, by bytes in pieces it
    // hands out itself, and that stretch is marked for large pages.
    constexpr std::size_t kPiece = std::size_t {16} << 20;
    ::mallopt(M_ARENA_MAX, 1);
    ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kPiece));
    ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(std::min<std::size_t>(2 * bytes, std::size_t {1} << 30)));
    struct Free {
        void operator()(char* piece) const { std::free(piece); }
    };
    std::vector<std::unique_ptr<char, Free>> pieces;
    for (std::size_t grown = 0; grown < bytes; grown += kPiece) {
        std::unique_ptr<char, Free> piece(static_cast<char*>(std::malloc(kPiece)));
        if (!piece)
            break;
        pieces.push_back(std::move(piece));
    }
    // The pieces follow one another where the heap grew: marked as one stretch, or each apart.
    const auto first = pieces.empty() ? 0 : reinterpret_cast<std::uintptr_t>(pieces.front().get());
    const auto last = pieces.empty() ? 0 : reinterpret_cast<std::uintptr_t>(pieces.back().get());
    if (last > first && last - first < pieces.size() * (kPiece + 4096)) {
        preferLargePages(pieces.front().get(), last - first + kPiece);
    } else {
        for (const auto& piece : pieces)
            preferLargePages(piece.get(), kPiece);
    }
    // Freed, the pieces stay the heap's, for what comes.
#else
    (void)bytes;
#endif
}

}  // namespace moxtal
