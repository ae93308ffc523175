#include "dispatcher.h"

#include "common/diagnostica.h"
#include "service/sessione.h"

namespace tarvolin::service {

std::pair<QString, QString> LeggiCampo(const QString& testo) {
    const qsizetype bar = testo.indexOf(u'|');
    if (bar < 0)
        return {QString(), testo};
    return {testo.left(bar), testo.mid(bar + 1)};
}

std::pair<QString, QString> LeggiSlot(const QString& payload) {
    const qsizetype colon = payload.indexOf(u':');
    if (colon < 0)
        return {QString(), payload.left(100)};
    return {payload.left(colon), payload.mid(colon + 1, 100)};
}

std::pair<QString, QString> TestiSospensione(int minuti) {
    const QString ore = QString::number(minuti / 60);
    const QString resto = QString::number(minuti % 60);
    return {
        QStringLiteral("Stai usando impropriamente alcune funzioni, sei bannato per ") + ore +
            QStringLiteral(" ore e ") + resto + QStringLiteral(" minuti!"),
        QStringLiteral(
            "Benvenuto, sei connesso al server di Tarvolin! Purtroppo sei bannato per ") +
            ore + QStringLiteral(" ore e ") + resto +
            QStringLiteral(" minuti a causa di un uso improprio di alcune funzioni. Riprova tra "
                           "qualche ora.")};
}

Dispatcher::Dispatcher(Sessione& sessione, QObject* parent) : QObject(parent), sessione_(sessione) {
    connect(&sessione_, &Sessione::MessaggioRicevuto, this, &Dispatcher::OnRead);
}

void Dispatcher::avvisa(const QString& didascalia, const QString& testo, Icona icona) {
    if (Avviso)
        Avviso(Messaggio{didascalia, testo, icona, Pulsanti::Ok});
}

void Dispatcher::sospensione(const QString& payload) {
    bool ok = false;
    const int minuti = payload.toInt(&ok);
    if (!ok || minuti < 0)
        return;
    sessione_.Sospendi();
    const auto [messaggio, stato] = TestiSospensione(minuti);
    avvisa(QStringLiteral("Attenzione"), messaggio, Icona::Avviso);
    emit TestoStato(stato);
}

void Dispatcher::OnRead(const QString& messaggio) {
    if (messaggio.size() < 5)
        return;
    // A failure inside a handler ends that message only; the link and later messages go on.
    try {
        instrada(messaggio.left(5), messaggio.mid(5));
    } catch (const std::exception& e) {
        qCDebug(lcServizio) << "message" << messaggio.left(5) << "dropped:" << e.what();
    }
}

void Dispatcher::instrada(const QString& code, const QString& payload) {
    auto chiama = [](const auto& handler, auto&&... args) {
        if (handler)
            handler(args...);
    };
    if (code == QLatin1String("#0210")) {
        chiama(ListaTicket, payload);
    } else if (code == QLatin1String("#0201")) {
        chiama(MessaggioTicket, payload);
    } else if (code == QLatin1String("#0202")) {
        chiama(ConversazioneTicket, payload);
    } else if (code == QLatin1String("#0663")) {
        chiama(NuovoCodice, payload);
    } else if (code == QLatin1String("#0666")) {
        chiama(LoginConfermato);
    } else if (code == QLatin1String("#0661")) {
        sessione_.senddata(QStringLiteral("#0661"), QStringLiteral("K"));
    } else if (code == QLatin1String("#0665")) {
        chiama(AggiornamentoObbligatorio);
    } else if (code == QLatin1String("#0650")) {
        sospensione(payload);
    } else if (code == QLatin1String("#0669")) {
        const auto [email, password] = LeggiSlot(payload);
        chiama(Slot, email, password);
    } else if (code == QLatin1String("#0668")) {
        avvisa(QStringLiteral("Attenzione"),
               QStringLiteral("Purtroppo al momento non ci sono SLOT easybytez disponibili, "
                              "riprova tra qualche minuto :("),
               Icona::Avviso);
    } else if (code == QLatin1String("#0999")) {
        sessione_.senddata(QStringLiteral("#0999"), QString::number(sessione_.VelocitaTotale()));
    } else if (code == QLatin1String("#0333")) {
        chiama(LinkServizio, payload);
    } else if (code == QLatin1String("#0710")) {
        avvisa(QStringLiteral("Conferma"),
               QStringLiteral("La tua email è stata correttamente aggiornata!"),
               Icona::Informazione);
        chiama(EmailAggiornata);
    } else if (code == QLatin1String("#0777")) {
        chiama(RisultatiRicerca, payload);
    } else if (code == QLatin1String("#0771")) {
        chiama(RicercaRifiutata, payload);
    }
}

} // namespace tarvolin::service
