#include "SideBySide.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ZuveloGraphLibrary {

std::size_t SideBySideThreads(std::size_t pieces) {
    const std::size_t machine = std::max(1u, std::thread::hardware_concurrency());
    return std::min<std::size_t>({pieces, machine, MaxSideBySide});
}

void RunSideBySide(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next = 0;
    std::mutex failing;
    std::exception_ptr failure;
    const auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard lock(failing);
                if (!failure) {
                    failure = std::current_exception();
                }
                next = count;
            }
        }
    };
    const std::size_t threads = SideBySideThreads(count);
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t t = 1; t < threads; ++t) {
                helpers.emplace_back(worker);
            }
        } catch (const std::system_error&) {
            // No thread to be had (a sandbox's limit, say): the ones started and this one do it.
        }
        worker();
    } // the helpers join here
    if (failure) {
        std::rethrow_exception(failure);
    }
}

TJobBeside::TJobBeside(std::function<void()> job) {
    try {
        done_ = std::async(std::launch::async, job);
    } catch (const std::system_error&) {
        done_ = std::async(std::launch::deferred, std::move(job));
    }
}

TJobBeside::~TJobBeside() {
    if (done_.valid()) {
        done_.wait();
    }
}

void TJobBeside::Wait() {
    if (done_.valid()) {
        done_.get();
    }
}

} // namespace ZuveloGraphLibrary
