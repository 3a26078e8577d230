#include "SideBySide.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <unistd.h>

namespace ZuveloGraphLibrary {

namespace {

// Threads kept waiting for the next job, so that a job does not pay for starting them: a drawing
// runs several jobs, each a fraction of a millisecond. One job at a time has them. They live as
// long as the process and are never joined; a child forked from it has none of them.
class TKeptWorkers {
public:
    static TKeptWorkers& Get() {
        static TKeptWorkers* const workers = new TKeptWorkers; // never destroyed: see above
        return *workers;
    }

    // Runs work() on the calling thread and on up to `helpers` kept threads, and returns when
    // every call has returned. False, with nothing run, when another job has them, when no
    // thread can be started, or in a forked child.
    bool Run(std::size_t helpers, const std::function<void()>& work) {
        if (getpid() != owner_) {
            return false;
        }
        const std::unique_lock job(busy_, std::try_to_lock);
        if (!job.owns_lock()) {
            return false;
        }
        try {
            while (started_ < helpers) {
                // From the next job on; this one alone writes the generation.
                std::thread(&TKeptWorkers::Wait, this, generation_).detach();
                ++started_;
            }
        } catch (const std::system_error&) {
            // As many as the system gives.
        }
        if (started_ == 0) {
            return false;
        }
        std::unique_lock lock(m_);
        job_ = &work;
        wanted_ = std::min(helpers, started_);
        taken_ = finished_ = 0;
        ++generation_;
        wake_.notify_all();
        lock.unlock();
        work();
        lock.lock();
        wanted_ = taken_; // the pieces are done: a helper still asleep need not wake for none
        done_.wait(lock, [this] { return finished_ == taken_; });
        job_ = nullptr;
        return true;
    }

private:
    TKeptWorkers() = default;

    void Wait(std::uint64_t seen) {
        std::unique_lock lock(m_);
        for (;;) {
            wake_.wait(lock, [&] { return generation_ != seen && taken_ < wanted_; });
            seen = generation_;
            ++taken_;
            const std::function<void()>* work = job_;
            lock.unlock();
            (*work)(); // catches what its pieces raise
            lock.lock();
            if (++finished_ == taken_) {
                done_.notify_one();
            }
        }
    }

    const pid_t owner_ = getpid();
    std::mutex busy_; // held by the job that has the threads
    std::mutex m_;    // guards what follows
    std::condition_variable wake_, done_;
    const std::function<void()>* job_ = nullptr;
    std::size_t started_ = 0;
    std::size_t wanted_ = 0, taken_ = 0, finished_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace

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
    if (threads <= 1) {
        worker();
    } else if (const std::function<void()> job = worker;
               !TKeptWorkers::Get().Run(threads - 1, job)) {
        // The kept threads are busy with another job (or this one is a piece of it): threads of
        // its own.
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
