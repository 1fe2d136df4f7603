#pragma once

#include <chrono>
#include <functional>

class QThreadPool;

/// The end of the process's background work. The application's pools live as long as the
/// process, so without an end their threads would still be decoding or writing while the
/// application object and Qt's own globals are destroyed at exit, and crash there.
///
/// Every pool of background work is registered here; finish() ends them all before the
/// application object goes: the work not yet started is cancelled where its owner can cancel it,
/// and the work running is waited for. (Qt's global pool is left to the application object,
/// which waits for it.)
///
/// Threading: registration from any thread; finish() on the main thread, once its event loop
/// has ended (the one place where the main thread waits for background work).
class KTBackgroundWork
{
public:
    /// `pool` is waited for at finish(); `cancel`, when given, is called first and cancels what
    /// has not started. A pool that is destroyed before must be removed.
    static void addPool(QThreadPool *pool, std::function<void()> cancel = {});
    static void removePool(QThreadPool *pool);

    /// Closes the main queue (see closeMainQueue()), cancels and waits for every registered
    /// pool. A job that waits for the main thread meanwhile is answered as if its target were
    /// gone. Past `limit` it stops waiting and says so in the log: a job stuck on a hung disk
    /// must not keep the application from ending. Returns false then.
    static bool finish(std::chrono::milliseconds limit = std::chrono::seconds(10));
};
