#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

namespace tarvolin::engine {

// Extractions running anywhere in the program, shared by every worker. One archive is
// extracted by one worker at a time, and the end-of-queue action waits until none runs, so that
// a power-off never cuts an extraction short.
class RegistroEstrazioni : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Held for the whole of one extraction (worker thread).
    class Turno {
    public:
        Turno(RegistroEstrazioni& registro, std::shared_ptr<QMutex> archivio);
        ~Turno();
        Turno(const Turno&) = delete;
        Turno& operator=(const Turno&) = delete;

    private:
        RegistroEstrazioni& registro_;
        std::shared_ptr<QMutex> archivio_;
    };

    // Counts an extraction of `archivio` as running at once, then waits for any other
    // extraction of the same archive to end.
    [[nodiscard]] std::unique_ptr<Turno> Inizia(const QString& archivio);

    // Thread-safe.
    int InCorso() const;

    // The outcome of the last extraction of `archivio` while its files still have the signature
    // `firma` they had then, when it succeeded or was made with the same password: another
    // worker of the group has just extracted it. Empty when it is still to be extracted.
    // Thread-safe.
    std::optional<bool> EsitoRecente(const QString& archivio, const QByteArray& firma,
                                     const QString& password) const;
    void Ricorda(const QString& archivio, const QByteArray& firma, const QString& password,
                 bool riuscita);

    // An archive stayed encrypted for want of the UnRAR library. Thread-safe.
    void MancaUnrar();

signals:
    // The running count has come back to zero (emitted on the worker's thread).
    void NessunaInCorso();
    // The first MancaUnrar of the run, on the worker's thread: the user is told once.
    void UnrarMancante();

private:
    struct Ricordo {
        QByteArray firma;
        QString password;
        bool riuscita = false;
    };
    void termina();

    mutable QMutex blocco_;
    QHash<QString, std::shared_ptr<QMutex>> archivi_;
    int inCorso_ = 0;
    QHash<QString, Ricordo> estratti_;
    std::atomic<bool> unrarMancante_ = false;
};

} // namespace tarvolin::engine
