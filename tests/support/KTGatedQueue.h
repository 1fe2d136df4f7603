#pragma once

#include "KTOperationQueue.h"

#include <future>
#include <memory>

/// An operation queue of one thread that a first operation holds until open() is called, so
/// the operations added meanwhile stay queued with their priorities. The constructor returns once
/// that operation runs: a queue picks its next operation by priority, so one added before the
/// gate was taken could otherwise run first. Opens itself when destroyed, then waits for its
/// operations.
class KTGatedQueue
{
public:
    KTGatedQueue()
    {
        queue.setMaxConcurrentOperationCount(1);
        std::promise<void> running;
        std::future<void> hasStarted = running.get_future();
        queue.addOperationWithBlock(
            [gate = m_gate.get_future().share(),
             running = std::make_shared<std::promise<void>>(std::move(running))](const KTOperation &) {
                running->set_value();
                gate.wait();
            });
        hasStarted.wait();
    }
    ~KTGatedQueue() { open(); }

    void open()
    {
        if (!m_opened) {
            m_opened = true;
            m_gate.set_value();
        }
    }

    KTOperationQueue queue;

private:
    std::promise<void> m_gate;
    bool m_opened = false;
};
