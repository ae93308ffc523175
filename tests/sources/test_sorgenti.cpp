// The rules of the link sources on their own: which copied texts count as links, what the
// decoding service is sent and what is kept of its reply, which files are read at all.
#include "sources/appunti.h"
#include "sources/dlc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::sources;

namespace {

TEST(Appunti, WhichCopiedTextsOpenADialog) {
    const QStringList hosting = {"easybytez.com"};
    const struct {
        const char* testo;
        bool estensione;
        bool cattura;
    } casi[] = {
        {"https://www.easybytez.com/abc123", false, true}, // known host, no extension
        {"https://www.easybytez.com/abc123/file.rar.html", true, true},
        {"https://other.org/pagina", false, false}, // unknown host, no extension
        {"https://other.org/pagina.html", true, true},
        {"https://other.org/a.zip?x=1#y", true, true}, // query and fragment aside
        {"https://other.org/a?x=file.zip", false, false},
        {"https://other.org", false, false},               // a host names no document
        {"http:\\\\other.org\\dir\\file.zip", true, true}, // backslashes as slashes
        {"https://other.org/dir.v2/file", false, false},   // the dot is in a folder
        {"https://other.org/file.zip:1", false, false},    // ":" after the dot
        {"ftp://other.org/file.zip", true, false},         // prefix test
        {"www.other.org/dir/file.zip", true, true},        // no scheme
        {"WWW.OTHER.ORG/DIR/FILE.ZIP", true, true},
        {" http://other.org/file.zip", true, false}, // not trimmed
        {"other.org/file.zip", true, false},
        {"https://www.easybytez.com/abc\r\nhttps://other.org/b", false, true}, // several lines
        {"https://other.org/a\r\nhttps://other.org/b.rar", true, true},
    };
    for (const auto& c : casi) {
        const QString testo = QString::fromUtf8(c.testo);
        EXPECT_EQ(HaEstensione(testo), c.estensione) << c.testo;
        EXPECT_EQ(DaCatturare(testo, hosting), c.cattura) << c.testo;
    }
}

TEST(Dlc, ReplyGivesTheLinksOrAnError) {
    const struct {
        const char* risposta;
        std::optional<const char*> testo;
    } casi[] = {
        {R"({"success": {"links": ["http://a.org/1", "https://b.org/2"]}})",
         "http://a.org/1\r\nhttps://b.org/2\r\n"},
        {R"({"success": {"links": []}})", std::nullopt},
        {R"({"success": {"links":["http://a.org/1"]}})", std::nullopt}, // no space after colon
        {R"({"form_errors": {"dlcfile": ["Invalid"]}})", std::nullopt},
        {R"({"links": ["ftp://x", "Www.x.org", "wwwx"]})", "wwwx\r\n"}, // only non-links remain
        {R"({"links": ["www.a.org/1"]} {"links": ["http://z"]})", "www.a.org/1\r\n"},
        {R"({"links": ["http://a.org/\"q\"]"]})", "http://a.org/\\\r\n"}, // no JSON parsing
    };
    for (const auto& c : casi) {
        const std::optional<QString> testo = LinkDaRisposta(c.risposta);
        ASSERT_EQ(testo.has_value(), c.testo.has_value()) << c.risposta;
        if (testo) {
            EXPECT_EQ(*testo, QString::fromUtf8(*c.testo)) << c.risposta;
        }
    }
    EXPECT_EQ(LinkDaRisposta(R"({"links": ["ftp://x"]})"), QString());
}

TEST(Dlc, ContainerIsFormEncodedByteByByte) {
    EXPECT_EQ(CorpoDecodifica("aZ09*-._ +/=\r\n~%\xC3\xA8"),
              "content=aZ09*-._+%2B%2F%3D%0D%0A%7E%25%C3%A8");
}

class FileContenitori : public ::testing::Test {
protected:
    QString scrivi(const QString& nome, const QByteArray& dati) {
        const QString percorso = dir_.filePath(nome);
        QFile file(percorso);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(dati);
        return percorso;
    }
    QList<QByteArray> letti(const QStringList& percorsi) {
        QList<QByteArray> out;
        LeggiContenitori(percorsi, [&out](const QByteArray& t) { out << t; });
        return out;
    }
    QTemporaryDir dir_;
};

TEST_F(FileContenitori, OnlyExistingFilesWithBoundedContentAreTaken) {
    // A 10 GB sparse file: refused from its size, never read.
    const QString enorme = dir_.filePath("enorme.dlc");
    {
        QFile file(enorme);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(10LL * 1000 * 1000 * 1000));
    }
    const QString limite = scrivi("limite.dlc", QByteArray(kMassimoContenitore, 'x'));
    const QString oltre = scrivi("oltre.dlc", QByteArray(kMassimoContenitore + 1, 'x'));
    const QString vuoto = scrivi("vuoto.dlc", {});
    // Past the 275 characters of a fixed path buffer.
    QString profondo = dir_.path();
    while (profondo.size() < 400)
        profondo += QStringLiteral("/cartella-con-un-nome-piuttosto-lungo");
    ASSERT_TRUE(QDir().mkpath(profondo));
    const QString lungo = profondo + "/contenitore.txt";
    {
        QFile file(lungo);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("LUNGO");
    }
    const QString a = scrivi("a.dlc", "AAA");

    EXPECT_EQ(LeggiFile(enorme), QByteArray());
    EXPECT_EQ(LeggiFile(limite)->size(), kMassimoContenitore);
    EXPECT_EQ(LeggiFile(oltre), QByteArray());
    EXPECT_EQ(LeggiFile(dir_.filePath("manca")), std::nullopt);

    EXPECT_EQ(letti({enorme, dir_.path(), dir_.filePath("manca"), oltre, vuoto, lungo, a}),
              QList<QByteArray>({"LUNGO", "AAA"}));

    // A file that opens but cannot be read ends the walk: what follows is not looked at.
    const QString illeggibile = QStringLiteral("/proc/self/mem");
    EXPECT_EQ(LeggiFile(illeggibile), std::nullopt);
    EXPECT_EQ(letti({a, illeggibile, lungo}), QList<QByteArray>({"AAA"}));
}

} // namespace
