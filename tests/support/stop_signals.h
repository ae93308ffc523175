#pragma once

#include <csignal>
#include <pthread.h>

namespace tarvolin::test {

// SIGINT and SIGTERM blocked for the calling thread and every thread started after it, so
// that only the demo program's own sigwait ever takes them. Call before starting servers.
inline sigset_t BlockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

} // namespace tarvolin::test
