#include "net/client.h"

#include "sito_prova.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

#include <atomic>
#include <thread>
#include <vector>

namespace tarvolin::net {
namespace {

class ConcorrenzaTest : public prova::SitoTest {};

// Each thread's counter lives in a cookie of the shared store: the server answers with the value
// it received and sets the next one, so a lost or mixed-up update shows as a wrong count.
TEST_F(ConcorrenzaTest, OttoClientCondividonoUnArchivio) {
    constexpr int kThread = 8;
    constexpr int kRichieste = 25;
    ArchivioCookie archivio;
    archivio.Aggiungi("estraneo=1; Domain=easybytez.com", QUrl("http://www.easybytez.com/"));
    std::atomic<int> errori{0};
    std::atomic<bool> fine{false};

    std::thread lettore([&] {
        while (!fine) {
            if (archivio.Righe("easybytez").size() != 1)
                ++errori;
            archivio.Rimuovi("nessuno");
        }
    });
    std::vector<std::thread> lavoratori;
    for (int t = 0; t < kThread; ++t) {
        lavoratori.emplace_back([&, t] {
            Profilo profilo;
            profilo.cookie = &archivio;
            ClientHttp client(profilo);
            const QString url = server_.Url(QStringLiteral("/contatore/%1").arg(t));
            for (int i = 0; i < kRichieste; ++i) {
                const Risposta r = client.Get(url);
                if (!r.ok || r.corpo != QByteArray::number(i))
                    ++errori;
            }
        });
    }
    for (std::thread& l : lavoratori)
        l.join();
    fine = true;
    lettore.join();

    EXPECT_EQ(errori, 0);
    EXPECT_EQ(archivio.Conta(), kThread + 1);
    for (int t = 0; t < kThread; ++t) {
        EXPECT_TRUE(
            archivio.Righe("127.0.0.1")
                .contains(
                    QStringLiteral("t%1=%2; Path=/; Domain=127.0.0.1").arg(t).arg(kRichieste)));
    }
}

} // namespace
} // namespace tarvolin::net
