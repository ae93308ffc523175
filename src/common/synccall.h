#pragma once

#include <functional>

class QThread;

namespace tarvolin {

// Runs `fn` on the main thread and returns when it has run: directly when already there,
// otherwise through the main event loop while the caller waits. Once the main loop has
// stopped the call returns false at once without running `fn`, so a worker never hangs on a
// program that is ending. An exception thrown by `fn` reaches the caller.
bool ChiamataSincronizzata(const std::function<void()>& fn);

// The same for what must not be lost (a finished download's record): once the main loop has
// stopped, the call still waits, to be run by the main thread's AttendiThread for the caller.
// Only for threads that the main thread always waits for before it goes.
void ChiamataSincronizzataGarantita(const std::function<void()>& fn);

// Main thread: waits for `thread` to end while running the synchronised calls it makes.
// False when `timeoutMs` (negative: no limit) ran out first.
bool AttendiThread(QThread& thread, int timeoutMs = -1);

// The main loop has stopped: pending and later calls from other threads return at once.
// Called when the application is about to quit; the next event the main loop handles
// lifts it again.
void FermaChiamateSincronizzate();

// ThreadSanitizer does not see Qt's own wait for a thread: a thread announces what it did
// before it ended, and AttendiThread (or whoever deletes it) takes that up. Nothing in other
// builds.
void AnnunciaFine(const void* thread);
void RiceviFine(const void* thread);

// Announces at the end of the scope, for the body of run().
class FineAnnunciata {
public:
    explicit FineAnnunciata(const void* thread) : thread_(thread) {}
    ~FineAnnunciata() { AnnunciaFine(thread_); }
    FineAnnunciata(const FineAnnunciata&) = delete;
    FineAnnunciata& operator=(const FineAnnunciata&) = delete;

private:
    const void* thread_;
};

} // namespace tarvolin
