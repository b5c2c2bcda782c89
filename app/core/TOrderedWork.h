#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Tasks run on worker threads; their results come back on the calling thread in the order the
// tasks were given, so everything the user sees of a run stays in list order whatever the number
// of workers. Each task learns the number of the worker running it (0 to jobs - 1), so that it can
// use that worker's own tools. With one job there is no thread: a task runs as it is given.
// The caller keeps memory bounded by taking results back before it gives more than it wants in
// flight (InFlight).
template <typename Result> class TOrderedWork
{
public:
    using Task = std::function<Result(int worker)>;

    explicit TOrderedWork(int jobs) : m_jobs(jobs < 1 ? 1 : jobs)
    {
        if (m_jobs == 1)
            return;
        for (int worker = 0; worker < m_jobs; ++worker)
            m_threads.emplace_back([this, worker] { Work(worker); });
    }

    // Waits for the tasks still running; their results are dropped.
    ~TOrderedWork()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
            m_queue.clear();
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }

    TOrderedWork(const TOrderedWork&) = delete;
    TOrderedWork& operator=(const TOrderedWork&) = delete;

    [[nodiscard]] int Jobs() const { return m_jobs; }
    // Tasks given whose results have not been taken back yet.
    [[nodiscard]] std::size_t InFlight() const { return m_slots.size(); }

    void Give(Task task)
    {
        auto slot = std::make_shared<Slot>();
        m_slots.push_back(slot);
        if (m_jobs == 1) {
            Run(*slot, task, 0);
            return;
        }
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back({std::move(task), std::move(slot)});
        }
        m_wake.notify_one();
    }

    // A result known already: it takes its place in the order without a worker.
    void GiveResult(Result result)
    {
        auto slot = std::make_shared<Slot>();
        slot->result.emplace(std::move(result));
        slot->finished = true;
        m_slots.push_back(std::move(slot));
    }

    // The result of the oldest task not taken back yet, once it is there; an exception the task
    // threw comes out here. Only while InFlight() > 0.
    Result Take()
    {
        const std::shared_ptr<Slot> slot = std::move(m_slots.front());
        m_slots.pop_front();
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return slot->finished; });
        if (slot->error)
            std::rethrow_exception(slot->error);
        return std::move(*slot->result);
    }

private:
    struct Slot
    {
        std::optional<Result> result;
        std::exception_ptr error;
        bool finished = false;
    };
    struct Queued
    {
        Task task;
        std::shared_ptr<Slot> slot;
    };

    void Run(Slot& slot, const Task& task, int worker)
    {
        std::optional<Result> result;
        std::exception_ptr error;
        try {
            result.emplace(task(worker));
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(m_mutex);
            slot.result = std::move(result);
            slot.error = error;
            slot.finished = true;
        }
        m_done.notify_all();
    }

    void Work(int worker)
    {
        for (;;) {
            Queued next;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_closing || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
            Run(*next.slot, next.task, worker);
        }
    }

    const int m_jobs;
    std::deque<std::shared_ptr<Slot>> m_slots; // given, not taken back; the caller's thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Queued> m_queue;
    bool m_closing = false;
    std::vector<std::thread> m_threads;
};
