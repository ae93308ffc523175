#include "net/client.h"

#include "server_prova.h"
#include "sito_prova.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <cstdlib>

namespace tarvolin::net {
namespace {

constexpr qint64 kMiB = 1024 * 1024;

class LimitiTest : public prova::SitoTest {
protected:
    Richiesta Verso(const QString& percorso) const {
        Richiesta r;
        r.url = server_.Url(percorso);
        return r;
    }
};

TEST_F(LimitiTest, CorpoInMemoriaLimitatoEScartatoOltre) {
    const struct {
        QString percorso;
        qint64 limite;
        bool scrivi;
        bool ok;
    } casi[] = {
        {"/grande/1000", 1000, false, true},
        {"/grande/1001", 1000, false, false},
        {"/a-pezzi/1000", 1000, false, true},
        {"/a-pezzi/1001", 1000, false, false},
        {"/a-pezzi/300000", 200000, false, false},
        {"/grande/17825792", 16 * kMiB, false, false},
        {"/a-pezzi/17825792", 16 * kMiB, false, false},
        {"/grande/17825792", 16 * kMiB, true, true},
        {"/errore/404", 5, true, false},
    };
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.percorso.toStdString());
        qint64 scritti = 0;
        Richiesta r = Verso(caso.percorso);
        r.limiteCorpo = caso.limite;
        if (caso.scrivi)
            r.scrivi = [&](const char*, size_t n) {
                scritti += qint64(n);
                return true;
            };
        const Risposta risposta = client.Esegui(r);
        EXPECT_EQ(risposta.ok, caso.ok) << risposta.errore.toStdString();
        if (caso.ok) {
            const qint64 atteso = caso.percorso.section('/', 2).toLongLong();
            EXPECT_EQ(caso.scrivi ? scritti : risposta.corpo.size(), atteso);
        } else {
            EXPECT_EQ(risposta.errore, "corpo oltre il limite");
            EXPECT_EQ(risposta.corpo.capacity(), 0);
            EXPECT_EQ(scritti, 0);
        }
    }
}

TEST_F(LimitiTest, InizioCorpoFermaPrimaDelCorpo) {
    const struct {
        const char* percorso;
        bool continua;
        bool ok;
        long stato;
        qint64 corpo;
    } casi[] = {
        {"/grande/10485760", false, true, 200, 0},
        {"/salto-grande", false, true, 200, 0},
        {"/grande/1000", true, true, 200, 1000},
        {"/errore/404", false, false, 404, 0},
    };
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.percorso);
        int chiamate = 0;
        qint64 scritti = 0;
        Risposta vista;
        Richiesta r = Verso(caso.percorso);
        r.inizioCorpo = [&](const Risposta& parziale) {
            ++chiamate;
            vista = parziale;
            return caso.continua;
        };
        r.scrivi = [&](const char*, size_t n) {
            scritti += qint64(n);
            return true;
        };
        const Risposta risposta = client.Esegui(r);
        EXPECT_EQ(risposta.ok, caso.ok) << risposta.errore.toStdString();
        EXPECT_EQ(risposta.stato, caso.stato);
        EXPECT_EQ(scritti, caso.corpo);
        EXPECT_TRUE(risposta.corpo.isEmpty());
        EXPECT_EQ(chiamate, 1);
        EXPECT_EQ(vista.stato, caso.stato);
        EXPECT_EQ(vista.urlFinale, risposta.urlFinale);
        EXPECT_EQ(vista.ContentLength(), risposta.ContentLength());
    }
    // The probe's answer names the redirect's target and its length.
    Richiesta sonda = Verso("/salto-grande");
    sonda.inizioCorpo = [](const Risposta&) { return false; };
    const Risposta risposta = client.Esegui(sonda);
    EXPECT_EQ(risposta.urlFinale, server_.Url("/grande/10485760"));
    EXPECT_EQ(risposta.ContentLength(), 10485760);
}

TEST_F(LimitiTest, ProgressoContaIlCorpoEPuoInterrompere) {
    const struct {
        qint64 fermaA; // 0: never
        bool ok;
    } casi[] = {{0, true}, {kMiB, false}};
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        qint64 ultimo = 0;
        bool crescente = true;
        Richiesta r = Verso("/grande/4194304");
        r.scrivi = [](const char*, size_t) { return true; };
        r.progresso = [&](qint64 ricevuti) {
            crescente = crescente && ricevuti > ultimo;
            ultimo = ricevuti;
            return caso.fermaA == 0 || ricevuti < caso.fermaA;
        };
        const Risposta risposta = client.Esegui(r);
        EXPECT_EQ(risposta.ok, caso.ok) << risposta.errore.toStdString();
        EXPECT_TRUE(crescente);
        if (caso.ok) {
            EXPECT_EQ(ultimo, 4 * kMiB);
        } else {
            EXPECT_EQ(risposta.errore, "interrotto");
            EXPECT_GE(ultimo, kMiB);
            EXPECT_LT(ultimo, 4 * kMiB);
        }
    }
    // The client stays usable after an aborted transfer.
    EXPECT_EQ(client.Get(server_.Url("/salta/0")).corpo, "fine");
}

TEST_F(LimitiTest, TempoDiLetturaSenzaByte) {
    const struct {
        const char* percorso;
        bool ok;
    } casi[] = {{"/stallo-inizio", false}, {"/stallo-corpo", false}, {"/lento", true}};
    Profilo profilo;
    profilo.timeoutLetturaMs = 300;
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.percorso);
        ClientHttp client(profilo);
        QElapsedTimer tempo;
        tempo.start();
        const Risposta r = client.Get(server_.Url(caso.percorso));
        EXPECT_EQ(r.ok, caso.ok) << r.errore.toStdString();
        EXPECT_LT(tempo.elapsed(), 3000);
        if (!caso.ok) {
            EXPECT_EQ(r.errore, "tempo di lettura scaduto");
            EXPECT_GE(tempo.elapsed(), 300);
        }
    }
}

TEST_F(LimitiTest, StatoDiErroreConPaginaDiErrore) {
    const struct {
        const char* percorso;
        bool scrivi;
    } casi[] = {{"/errore/404", false}, {"/errore/500", false}, {"/errore/403", true}};
    ClientHttp client(Profilo{});
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.percorso);
        bool scritto = false;
        bool progresso = false;
        Richiesta r = Verso(caso.percorso);
        if (caso.scrivi) {
            r.scrivi = [&](const char*, size_t) { return scritto = true; };
            r.progresso = [&](qint64) { return progresso = true; };
        }
        const Risposta risposta = client.Esegui(r);
        const long stato = QString(caso.percorso).section('/', 2).toLong();
        EXPECT_FALSE(risposta.ok);
        EXPECT_EQ(risposta.errore, QStringLiteral("HTTP %1").arg(stato));
        EXPECT_EQ(risposta.stato, stato);
        EXPECT_EQ(risposta.corpo, "pagina mancante");
        EXPECT_EQ(risposta.Intestazione("x-motivo"), "prova");
        EXPECT_FALSE(scritto);
        EXPECT_FALSE(progresso);
    }
}

TEST(ClientHttpRete, PortaSenzaServer) {
    ClientHttp client(Profilo{});
    const Risposta r = client.Get(QStringLiteral("http://127.0.0.1:%1/").arg(prova::PortaChiusa()));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.stato, 0);
    EXPECT_FALSE(r.errore.isEmpty());
}

// Sets proxy variables for its lifetime and restores what was there.
class AmbienteProxy {
public:
    explicit AmbienteProxy(const QByteArray& proxy) {
        for (const char* nome : kNomi) {
            precedenti_.append(qgetenv(nome));
            presenti_.append(qEnvironmentVariableIsSet(nome));
            if (QByteArray(nome).contains("no_proxy"))
                qunsetenv(nome);
            else
                qputenv(nome, proxy);
        }
    }
    ~AmbienteProxy() {
        for (qsizetype i = 0; i < precedenti_.size(); ++i) {
            if (presenti_[i])
                qputenv(kNomi[i], precedenti_[i]);
            else
                qunsetenv(kNomi[i]);
        }
    }
    AmbienteProxy(const AmbienteProxy&) = delete;
    AmbienteProxy& operator=(const AmbienteProxy&) = delete;

private:
    static constexpr const char* kNomi[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                            "HTTPS_PROXY", "all_proxy",  "ALL_PROXY",
                                            "no_proxy",    "NO_PROXY"};
    QList<QByteArray> precedenti_;
    QList<bool> presenti_;
};

TEST_F(LimitiTest, ProxyDellAmbienteIgnorato) {
    const AmbienteProxy ambiente(
        QStringLiteral("http://127.0.0.1:%1").arg(prova::PortaChiusa()).toLatin1());
    ClientHttp client(Profilo{});
    const Risposta r = client.Get(server_.Url("/salta/1"));
    EXPECT_TRUE(r.ok) << r.errore.toStdString();
    EXPECT_EQ(r.corpo, "fine");
}

} // namespace
} // namespace tarvolin::net
