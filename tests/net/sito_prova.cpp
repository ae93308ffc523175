#include "sito_prova.h"

#include <httplib.h>

#include <algorithm>
#include <string>

namespace tarvolin::net::prova {

namespace {

using httplib::DataSink;
using httplib::Request;
using httplib::Response;
using namespace std::chrono_literals;

constexpr size_t kPezzo = 64 * 1024;

size_t Numero(const Request& req) {
    return std::stoul(req.matches[1].str());
}

void Redirect(Response& res, int stato, const std::string& verso) {
    res.status = stato;
    res.set_header("Location", verso);
}

// The value of cookie `nome` in the request's Cookie header, or "".
std::string ValoreCookie(const Request& req, const std::string& nome) {
    const std::string intestazione = "; " + req.get_header_value("Cookie");
    const std::string cerca = "; " + nome + "=";
    const size_t inizio = intestazione.find(cerca);
    if (inizio == std::string::npos)
        return {};
    const size_t valore = inizio + cerca.size();
    return intestazione.substr(valore, intestazione.find(';', valore) - valore);
}

void RotteRedirectECookie(httplib::Server& s) {
    s.Get(R"(/salta/(\d+))", [](const Request& req, Response& res) {
        const size_t n = Numero(req);
        if (n == 0)
            res.set_content("fine", "text/plain");
        else
            Redirect(res, 302, "/salta/" + std::to_string(n - 1));
    });
    s.Get("/imposta", [](const Request&, Response& res) {
        res.set_header("Set-Cookie", "sessione=abc; Path=/");
        Redirect(res, 302, "/leggi");
    });
    s.Get("/leggi", [](const Request& req, Response& res) {
        res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
    s.Post(R"(/modulo/(\d+))",
           [](const Request& req, Response& res) { Redirect(res, int(Numero(req)), "/dove"); });
    const auto dove = [](const Request& req, Response& res) {
        res.set_content(req.method + " " + req.body, "text/plain");
    };
    s.Get("/dove", dove);
    s.Post("/dove", dove);
    s.Get("/relativo/a/b", [](const Request&, Response& res) { Redirect(res, 302, "c"); });
    s.Get("/relativo/a/c",
          [](const Request&, Response& res) { res.set_content("c", "text/plain"); });
    s.Post("/eco",
           [](const Request& req, Response& res) { res.set_content(req.body, "text/plain"); });
    s.Get(R"(/contatore/(\d+))", [](const Request& req, Response& res) {
        const std::string nome = "t" + req.matches[1].str();
        const std::string valore = ValoreCookie(req, nome);
        const int n = valore.empty() ? 0 : std::stoi(valore);
        res.set_header("Set-Cookie", nome + "=" + std::to_string(n + 1) + "; Path=/");
        res.set_content(std::to_string(n), "text/plain");
    });
}

void Corpi(httplib::Server& s) {
    s.Get("/dati", [](const Request&, Response& res) {
        const QByteArray dati = DatiProva();
        res.set_content(dati.constData(), size_t(dati.size()), "application/octet-stream");
    });
    s.Get("/salto-dati", [](const Request&, Response& res) { Redirect(res, 302, "/dati"); });
    s.Get(R"(/grande/(\d+))", [](const Request& req, Response& res) {
        res.set_content_provider(Numero(req), "application/octet-stream",
                                 [](size_t, size_t lunghezza, DataSink& sink) {
                                     const std::string pezzo(std::min(lunghezza, kPezzo), 'x');
                                     return sink.write(pezzo.data(), pezzo.size());
                                 });
    });
    s.Get("/salto-grande",
          [](const Request&, Response& res) { Redirect(res, 302, "/grande/10485760"); });
    s.Get(R"(/a-pezzi/(\d+))", [](const Request& req, Response& res) {
        const size_t totale = Numero(req);
        res.set_chunked_content_provider(
            "application/octet-stream", [totale](size_t inviati, DataSink& sink) {
                if (inviati >= totale) {
                    sink.done();
                    return true;
                }
                const std::string pezzo(std::min(totale - inviati, kPezzo), 'x');
                return sink.write(pezzo.data(), pezzo.size());
            });
    });
    s.Get(R"(/errore/(\d+))", [](const Request& req, Response& res) {
        res.status = int(Numero(req));
        res.set_header("X-Motivo", "prova");
        res.set_content("pagina mancante", "text/html");
    });
}

void Stalli(ServerHttp& server) {
    httplib::Server& s = server.Rotte();
    s.Get("/stallo-inizio", [&server](const Request&, Response& res) {
        server.AttendiFine(5s);
        res.set_content("tardi", "text/plain");
    });
    s.Get("/stallo-corpo", [&server](const Request&, Response& res) {
        res.set_content_provider(200, "application/octet-stream",
                                 [&server](size_t inviati, size_t, DataSink& sink) {
                                     if (inviati > 0)
                                         server.AttendiFine(5s);
                                     return sink.write(std::string(100, 'x').data(), 100);
                                 });
    });
    s.Get("/lento", [](const Request&, Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t inviati, DataSink& sink) {
            if (inviati >= 10) {
                sink.done();
                return true;
            }
            std::this_thread::sleep_for(100ms);
            return sink.write("x", 1);
        });
    });
}

} // namespace

void RegistraSito(ServerHttp& server) {
    RotteRedirectECookie(server.Rotte());
    Corpi(server.Rotte());
    Stalli(server);
}

QByteArray DatiProva() {
    QByteArray dati(1000, '\0');
    for (qsizetype i = 0; i < dati.size(); ++i)
        dati[i] = char('a' + (i * 7 + i / 26) % 26);
    return dati;
}

} // namespace tarvolin::net::prova
