#include "listing_threads.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

namespace moxtal {

namespace {

std::atomic<int> g_listingThreads {0};  // 0: chosen by the environment or the machine

constexpr int kMostListingThreads = 8;
// On a file server each status read is a round trip: the threads wait rather than compute, so
// more of them pay than the machine has cores.
constexpr int kMostWaitingThreads = 16;
constexpr int kMostFromEnvironment = 64;

}  // namespace

void setListingThreads(int threads)
{
    g_listingThreads = threads;
}

int listingThreads(bool waitsOnServer)
{
    if (const int chosen = g_listingThreads; chosen > 0)
        return chosen;
    // The benchmark compares with one thread through the environment.
    static const int fromEnvironment = [] {
        const char* text = std::getenv("MOXTAL_LIST_THREADS");
        return text ? std::min(std::atoi(text), kMostFromEnvironment) : 0;
    }();
    if (fromEnvironment > 0)
        return fromEnvironment;
    if (waitsOnServer)
        return kMostWaitingThreads;
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::min<unsigned>(cores == 0 ? 1 : cores, kMostListingThreads));
}

}  // namespace moxtal
