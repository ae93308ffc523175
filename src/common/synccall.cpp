#include "synccall.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace tarvolin {

namespace {

struct Chiamata {
    enum class Stato { InAttesa, InCorso, Fatta, Annullata };
    const std::function<void()>* fn = nullptr; // the caller waits, so its function outlives this
    bool garantita = false;                    // survives a stop of the main loop
    Stato stato = Stato::InAttesa;
    std::exception_ptr errore;
};

// The calls waiting for the main thread. The main thread takes them from a queued event or
// from AttendiThread; a stop of the main loop cancels the ones it has not begun.
class CodaChiamate {
public:
    static CodaChiamate& istanza() {
        static CodaChiamate coda;
        return coda;
    }

    bool esegui(const std::function<void()>& fn, bool garantita) {
        auto chiamata = std::make_shared<Chiamata>();
        chiamata->fn = &fn;
        chiamata->garantita = garantita;
        {
            std::unique_lock lock(mutex_);
            collegaUscita();
            if (fermo_ && !garantita) {
                riattivaAlProssimoEvento();
                return false;
            }
            coda_.push_back(chiamata);
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { istanza().servi(true); }, Qt::QueuedConnection);
        std::unique_lock lock(mutex_);
        finito_.wait(lock, [&] {
            return chiamata->stato == Chiamata::Stato::Fatta ||
                   chiamata->stato == Chiamata::Stato::Annullata;
        });
        if (chiamata->stato == Chiamata::Stato::Annullata)
            return false;
        if (chiamata->errore)
            std::rethrow_exception(chiamata->errore);
        return true;
    }

    // Main thread only.
    void servi(bool daEventoPrincipale) {
        std::unique_lock lock(mutex_);
        if (daEventoPrincipale)
            fermo_ = false;
        while (!coda_.empty()) {
            std::shared_ptr<Chiamata> chiamata = coda_.front();
            coda_.pop_front();
            chiamata->stato = Chiamata::Stato::InCorso;
            lock.unlock();
            try {
                (*chiamata->fn)();
            } catch (...) {
                chiamata->errore = std::current_exception(); // handed to the waiting caller
            }
            lock.lock();
            chiamata->stato = Chiamata::Stato::Fatta;
            finito_.notify_all();
        }
    }

    void ferma() {
        std::unique_lock lock(mutex_);
        fermo_ = true;
        std::erase_if(coda_, [](const std::shared_ptr<Chiamata>& chiamata) {
            if (chiamata->garantita)
                return false;
            chiamata->stato = Chiamata::Stato::Annullata;
            return true;
        });
        finito_.notify_all();
    }

private:
    // Under the lock.
    void collegaUscita() {
        QCoreApplication* app = QCoreApplication::instance();
        if (collegata_ == app)
            return;
        collegata_ = app;
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, &FermaChiamateSincronizzate,
                         Qt::DirectConnection);
    }

    // Under the lock. A main loop that runs again (a test, a nested loop) lifts the stop.
    void riattivaAlProssimoEvento() {
        if (riattivazioneInviata_)
            return;
        riattivazioneInviata_ = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                CodaChiamate& coda = istanza();
                {
                    std::lock_guard relock(coda.mutex_);
                    coda.riattivazioneInviata_ = false;
                }
                coda.servi(true);
            },
            Qt::QueuedConnection);
    }

    std::mutex mutex_;
    std::condition_variable finito_;
    std::deque<std::shared_ptr<Chiamata>> coda_;
    bool fermo_ = false;
    bool riattivazioneInviata_ = false;
    QPointer<QCoreApplication> collegata_;
};

bool SulThreadPrincipale() {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

} // namespace

bool ChiamataSincronizzata(const std::function<void()>& fn) {
    if (SulThreadPrincipale()) {
        fn();
        return true;
    }
    return CodaChiamate::istanza().esegui(fn, false);
}

void ChiamataSincronizzataGarantita(const std::function<void()>& fn) {
    if (SulThreadPrincipale())
        fn();
    else
        CodaChiamate::istanza().esegui(fn, true);
}

bool AttendiThread(QThread& thread, int timeoutMs) {
    QDeadlineTimer scadenza(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    while (!thread.wait(QDeadlineTimer(10))) {
        CodaChiamate::istanza().servi(false);
        if (scadenza.hasExpired())
            return false;
    }
    CodaChiamate::istanza().servi(false);
    RiceviFine(&thread);
    return true;
}

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* indirizzo);
extern "C" void __tsan_release(void* indirizzo);
void AnnunciaFine(const void* thread) {
    __tsan_release(const_cast<void*>(thread));
}
void RiceviFine(const void* thread) {
    __tsan_acquire(const_cast<void*>(thread));
}
#else
void AnnunciaFine(const void*) {}
void RiceviFine(const void*) {}
#endif

void FermaChiamateSincronizzate() {
    CodaChiamate::istanza().ferma();
}

} // namespace tarvolin
