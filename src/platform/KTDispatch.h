#pragma once

#include <functional>

/// The main queue: work that must run on the main thread, in the Qt event loop.
///
/// Threading: callable from any thread once the QCoreApplication exists.

/// True on the thread that runs the application's event loop.
bool isMainThread();

/// Queues `fn` to run on the main thread on a later turn of the event loop, never inline, even
/// when called on the main thread. Jobs posted from one thread run in the order of the calls, and
/// in order with every other post to the main queue (they are queued invocations, not timers).
/// Once the application object is being destroyed, posted work is dropped: no loop would run it.
void postToMain(std::function<void()> fn);

/// Runs `fn` on the main thread and returns when it has run: inline on the main thread, otherwise
/// blocking the calling thread. Never call it from a thread the main thread may be waiting for.
/// Once the application object is being destroyed, a call from another thread returns at once
/// without running `fn` (as when its target is gone): the main thread runs no loop any more, and
/// it waits for the pool threads that would wait for it.
void runOnMainSync(const std::function<void()> &fn);

/// From here on the main queue behaves as once the application object is being destroyed: posts
/// are dropped and sync calls from other threads return at once. For the end of the process,
/// after the event loop has ended (see KTBackgroundWork).
void closeMainQueue();
