#pragma once

#include "KTOperationQueue.h"

#include <future>

/// An operation queue of one thread that a first operation holds until open() is called, so
/// the operations added meanwhile stay queued with their priorities. Opens itself when
/// destroyed, then waits for its operations.
class KTGatedQueue
{
public:
    KTGatedQueue()
    {
        queue.setMaxConcurrentOperationCount(1);
        queue.addOperationWithBlock(
            [gate = m_gate.get_future().share()](const KTOperation &) { gate.wait(); });
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
