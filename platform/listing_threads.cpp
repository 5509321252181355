#include "listing_threads.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

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

std::size_t partsFor(std::size_t count)
{
    constexpr std::size_t kPartsFrom = 4096;
    return count >= kPartsFrom ? static_cast<std::size_t>(std::max(1, listingThreads())) : 1;
}

void runInParts(std::size_t parts, const std::function<void(std::size_t part)>& work)
{
    std::vector<std::exception_ptr> errors(parts);
    const auto run = [&](std::size_t part) {
        try {
            work(part);
        } catch (...) {
            errors[part] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    std::size_t started = 1;
    try {
        for (; started < parts; ++started)
            helpers.emplace_back(run, started);
    } catch (const std::system_error&) {
        // No more threads to be had: the parts not started run here, after the first.
    }
    run(0);
    for (std::size_t part = started; part < parts; ++part)
        run(part);
    for (std::thread& helper : helpers)
        helper.join();
    for (const std::exception_ptr& error : errors) {
        if (error)
            std::rethrow_exception(error);
    }
}

}  // namespace moxtal
