#pragma once

#include <functional>
#include <memory>

/// A queue of one lane for a viewer's full-size decodes: jobs run one at a time, in order, on
/// the global concurrent queue. Jobs that have not started can be withdrawn; a running job
/// always finishes.
///
/// Threading: add and cancel from any thread. Destroying the queue withdraws the waiting jobs
/// and returns at once; a running job finishes on its own thread (it must not touch the owner
/// except through a guarded main-queue post).
class KTImageDecodeQueue
{
public:
    KTImageDecodeQueue();
    ~KTImageDecodeQueue();
    KTImageDecodeQueue(const KTImageDecodeQueue &) = delete;
    KTImageDecodeQueue &operator=(const KTImageDecodeQueue &) = delete;

    void add(std::function<void()> job);
    /// Withdraws every job that has not started; returns how many there were.
    int cancelWaitingJobs();
    /// Jobs waiting, and whether one runs now.
    int waitingCount() const;
    bool isRunning() const;

private:
    struct State;
    static void drain(const std::shared_ptr<State> &state);

    std::shared_ptr<State> m_state;
};
