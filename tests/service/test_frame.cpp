#include "service/frame.h"

#include "common/deployment.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "support/qt_print.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace tarvolin::service {
namespace {

const QByteArray kTerm(kTerminatore);

QByteArray Zeri(qsizetype n) {
    return QByteArray(n, '\0');
}

QByteArray Decifra(const QByteArray& ciphertext) {
    return DecryptText(ciphertext, Chiave(), Iv());
}

QByteArray SenzaTerminatore(const QByteArray& wire) {
    EXPECT_TRUE(wire.endsWith(kTerm));
    return wire.left(wire.size() - kTerm.size());
}

// One block through the bare cipher, independently of the code under test.
QByteArray AesBlocco(const QByteArray& block) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        &EVP_CIPHER_CTX_free);
    const QByteArray key = QByteArray::fromHex(kAesKeyHex);
    EXPECT_EQ(EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ecb(), nullptr,
                                 reinterpret_cast<const unsigned char*>(key.constData()), nullptr),
              1);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    QByteArray out(16, '\0');
    int n = 0;
    EXPECT_EQ(EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n,
                                reinterpret_cast<const unsigned char*>(block.constData()), 16),
              1);
    EXPECT_EQ(n, 16);
    return out;
}

// Everything the buffer hands out right now.
std::vector<QByteArray> Svuota(BufferRicezione& buffer) {
    std::vector<QByteArray> out;
    while (auto m = buffer.ProssimoMessaggio())
        out.push_back(*m);
    return out;
}

using Messaggi = std::vector<QByteArray>;

// ---------------------------------------------------------------------------------------------
// The plaintext layout of a frame and its cipher.

TEST(Frame, ShortTextGetsAHexLengthPrefixAndZeroPadding) {
    const QByteArray frame = BuildFrame("#0661K");
    ASSERT_EQ(frame.size(), 32);
    EXPECT_EQ(Decifra(frame), QByteArray("0000000000000006#0661K") + Zeri(10));
}

TEST(Frame, EmptyPayloadIsTheCodeAlonePaddedToTwoBlocks) {
    const QByteArray wire = FrameSulFilo("#0666", "");
    const QByteArray frame = SenzaTerminatore(wire);
    ASSERT_EQ(frame.size(), 32);
    EXPECT_EQ(Decifra(frame), QByteArray("0000000000000005#0666") + Zeri(11));
}

TEST(Frame, TextFillingWholeBlocksGetsNoPaddingBlock) {
    const QByteArray text = QByteArray("#0700") + "abcdefghijk"; // 16 bytes
    const QByteArray frame = BuildFrame(text);
    ASSERT_EQ(frame.size(), 32);
    EXPECT_EQ(Decifra(frame), "0000000000000010" + text);

    const QByteArray lungo(16 * 5 - 16, 'q');
    EXPECT_EQ(BuildFrame(lungo).size(), 16 * 5);
}

TEST(Frame, LengthPrefixIsUpperCaseHexOfTheByteCount) {
    const QByteArray payload(295, '\xE9'); // single-byte text, not characters
    const QByteArray chiaro = Decifra(SenzaTerminatore(FrameSulFilo("#0123", payload)));
    EXPECT_EQ(chiaro.left(16), QByteArray("000000000000012C"));
    EXPECT_EQ(chiaro.mid(16, 300), "#0123" + payload);
    EXPECT_EQ(chiaro.size(), 320);
    EXPECT_EQ(chiaro.mid(316), Zeri(4));
}

TEST(Frame, WireFormIsTheFrameOfCodePlusPayloadThenTheTerminator) {
    EXPECT_EQ(FrameSulFilo("#0661", "K"), BuildFrame("#0661K") + "%#the%#end%#");
    EXPECT_EQ(kTerm.size(), 12);
}

TEST(Frame, MatchesAKnownCiphertext) {
    // Computed once with: openssl enc -aes-256-cbc -nopad -K <key> -iv <iv>
    EXPECT_EQ(BuildFrame("#0661K").toHex(), QByteArray("bae7061f7293736b85b2594492fdfc35"
                                                       "99d4a335d03779fafcb367cf74d42e28"));
}

TEST(Frame, EqualTextsGiveEqualCiphertextsWhateverCameBetween) {
    const QByteArray prima = FrameSulFilo("#0661", "K");
    const QByteArray altro = FrameSulFilo("#0999", QByteArray(1000, 'z'));
    Q_UNUSED(altro);
    const QByteArray dopo = FrameSulFilo("#0661", "K");
    EXPECT_EQ(prima, dopo);
    EXPECT_NE(FrameSulFilo("#0661", "L"), prima);
}

TEST(Frame, AgreesWithTheOpensslCommandLine) {
    if (!QFile::exists("/usr/bin/openssl"))
        GTEST_SKIP() << "/usr/bin/openssl is not installed";
    const QByteArray text =
        "#0412" + QByteArray("utente@example.org\x01password\xE8") + QByteArray(100, '\x7F');
    const qsizetype n = 16 + text.size();
    const QByteArray chiaro =
        QByteArray::number(text.size(), 16).toUpper().rightJustified(16, '0') + text +
        Zeri((16 - n % 16) % 16);
    ASSERT_EQ(chiaro.size() % 16, 0);

    QProcess openssl;
    openssl.start("/usr/bin/openssl",
                  {"enc", "-aes-256-cbc", "-nopad", "-K", QString::fromLatin1(kAesKeyHex), "-iv",
                   QString::fromLatin1(kAesIvHex)});
    ASSERT_TRUE(openssl.waitForStarted());
    openssl.write(chiaro);
    openssl.closeWriteChannel();
    ASSERT_TRUE(openssl.waitForFinished(30000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    EXPECT_EQ(BuildFrame(text), openssl.readAllStandardOutput());
}

// ---------------------------------------------------------------------------------------------
// The cipher on its own.

TEST(Cifratura, EncryptPadsWithZerosAndDecryptRestoresTheBlocks) {
    EXPECT_EQ(Chiave().size(), 32);
    EXPECT_EQ(Iv().size(), 16);
    EXPECT_EQ(EncryptText("abc", Chiave(), Iv()), EncryptText("abc" + Zeri(13), Chiave(), Iv()));
    EXPECT_EQ(EncryptText("abc", Chiave(), Iv()).size(), 16);
    EXPECT_TRUE(EncryptText("", Chiave(), Iv()).isEmpty());
    EXPECT_TRUE(Decifra("").isEmpty());

    QByteArray testo;
    for (int i = 0; i < 1000; ++i)
        testo.append(static_cast<char>(i * 7));
    EXPECT_EQ(Decifra(EncryptText(testo, Chiave(), Iv())), testo + Zeri(8));
}

TEST(Cifratura, ChainsBlocksSoRepeatedBlocksDoNotRepeat) {
    const QByteArray c = EncryptText(QByteArray(32, 'A'), Chiave(), Iv());
    EXPECT_NE(c.left(16), c.mid(16));
    // The key and the IV both matter.
    QByteArray altraChiave = Chiave();
    altraChiave[0] = static_cast<char>(altraChiave[0] ^ 1);
    QByteArray altroIv = Iv();
    altroIv[15] = static_cast<char>(altroIv[15] ^ 1);
    EXPECT_NE(EncryptText("x", altraChiave, Iv()), EncryptText("x", Chiave(), Iv()));
    EXPECT_NE(EncryptText("x", Chiave(), altroIv), EncryptText("x", Chiave(), Iv()));
}

TEST(Cifratura, TrailingPartialBlockIsXoredWithTheNextKeyStream) {
    QByteArray chiaro;
    for (int i = 0; i < 32; ++i)
        chiaro.append(static_cast<char>('a' + i % 26));
    const QByteArray cifrato = EncryptText(chiaro, Chiave(), Iv());
    const QByteArray extra("\x01\x80\xFF\x00\x42", 5);

    const QByteArray flusso = AesBlocco(cifrato.mid(16, 16));
    QByteArray attesa = chiaro;
    for (int i = 0; i < extra.size(); ++i)
        attesa.append(static_cast<char>(extra[i] ^ flusso[i]));

    const QByteArray decifrato = Decifra(cifrato + extra);
    ASSERT_EQ(decifrato.size(), 37);
    EXPECT_EQ(decifrato, attesa);

    // With no whole block the chaining value is the IV.
    const QByteArray flussoIv = AesBlocco(Iv());
    QByteArray soloCoda;
    for (int i = 0; i < extra.size(); ++i)
        soloCoda.append(static_cast<char>(extra[i] ^ flussoIv[i]));
    EXPECT_EQ(Decifra(extra), soloCoda);
}

TEST(Cifratura, RejectsKeyAndIvOfTheWrongSize) {
    EXPECT_THROW(EncryptText("x", Chiave().left(16), Iv()), std::invalid_argument);
    EXPECT_THROW(EncryptText("x", Chiave(), Iv().left(8)), std::invalid_argument);
    EXPECT_THROW(DecryptText(Zeri(16), Chiave() + "x", Iv()), std::invalid_argument);
}

// ---------------------------------------------------------------------------------------------
// One chunk between terminators.

QByteArray ChunkDi(const QByteArray& chiaro) {
    return EncryptText(chiaro, Chiave(), Iv());
}

TEST(DecodificaChunk, GivesBackTheTextOfAFrame) {
    EXPECT_EQ(DecodificaChunk(BuildFrame("#0661K")), QByteArray("#0661K"));
    const QByteArray grande = "#0500" + QByteArray(70000, '\x93');
    EXPECT_EQ(DecodificaChunk(BuildFrame(grande)), grande);
}

TEST(DecodificaChunk, PrefixIsReadAsHexInEitherCase) {
    const QByteArray testo(0x2a, 'm');
    EXPECT_EQ(DecodificaChunk(ChunkDi("000000000000002a" + testo)), testo);
    EXPECT_EQ(DecodificaChunk(ChunkDi("000000000000002A" + testo)), testo);
    // Fewer bytes than the text holds: only the first N.
    EXPECT_EQ(DecodificaChunk(ChunkDi("0000000000000003#0661K")), QByteArray("#06"));
    // Zero is a message, an empty one.
    const auto vuoto = DecodificaChunk(ChunkDi("0000000000000000#0661K"));
    ASSERT_TRUE(vuoto.has_value());
    EXPECT_TRUE(vuoto->isEmpty());
}

TEST(DecodificaChunk, PrefixThatIsNotHexRejectsTheChunk) {
    for (const char* prefisso : {"000000000000000G", "00000000000000 6", "+000000000000006",
                                 "-000000000000006", "0x00000000000006", "000000000000006\0"}) {
        const QByteArray chiaro = QByteArray(prefisso, 16) + "#0661K";
        EXPECT_EQ(DecodificaChunk(ChunkDi(chiaro)), std::nullopt) << prefisso;
    }
    EXPECT_EQ(DecodificaChunk(""), std::nullopt);
    EXPECT_EQ(DecodificaChunk("short"), std::nullopt);
    EXPECT_EQ(DecodificaChunk(BuildFrame("#0661K").left(15)), std::nullopt);
}

TEST(DecodificaChunk, PrefixBeyondTheRemainderGivesTheRemainderWithItsPadding) {
    EXPECT_EQ(DecodificaChunk(ChunkDi("00000000000000FF#0661K")), "#0661K" + Zeri(10));
    // The largest prefix must not wrap round to a small or negative count.
    EXPECT_EQ(DecodificaChunk(ChunkDi("FFFFFFFFFFFFFFFF#0661K")), "#0661K" + Zeri(10));
    EXPECT_EQ(DecodificaChunk(ChunkDi("8000000000000000#0661K")), "#0661K" + Zeri(10));
}

// ---------------------------------------------------------------------------------------------
// The receive buffer.

TEST(BufferRicezione, DeliversFramesInOrderWhateverTheReadBoundaries) {
    const QByteArray a = FrameSulFilo("#0661", "K");
    const QByteArray b = FrameSulFilo("#0412", QByteArray(40, 'b'));
    const QByteArray flusso = a + b;
    const Messaggi attesi{"#0661K", "#0412" + QByteArray(40, 'b')};

    {
        BufferRicezione buffer;
        buffer.Aggiungi(flusso);
        EXPECT_EQ(Svuota(buffer), attesi);
        EXPECT_EQ(buffer.Dimensione(), 0);
    }
    // Every split point, terminators cut anywhere included.
    for (qsizetype taglio = 0; taglio <= flusso.size(); ++taglio) {
        BufferRicezione buffer;
        buffer.Aggiungi(flusso.left(taglio));
        Messaggi ricevuti = Svuota(buffer);
        buffer.Aggiungi(flusso.mid(taglio));
        for (auto& m : Svuota(buffer))
            ricevuti.push_back(m);
        EXPECT_EQ(ricevuti, attesi) << "split at " << taglio;
    }
    {
        BufferRicezione buffer;
        Messaggi ricevuti;
        for (char c : flusso) {
            buffer.Aggiungi(QByteArray(1, c));
            for (auto& m : Svuota(buffer))
                ricevuti.push_back(m);
        }
        EXPECT_EQ(ricevuti, attesi);
    }
}

TEST(BufferRicezione, BytesAfterTheLastTerminatorWaitForTheNextAppend) {
    const QByteArray a = FrameSulFilo("#0661", "K");
    const QByteArray b = FrameSulFilo("#0662", "second");
    BufferRicezione buffer;
    buffer.Aggiungi(a + b.left(20));
    EXPECT_EQ(buffer.ProssimoMessaggio(), QByteArray("#0661K"));
    EXPECT_EQ(buffer.ProssimoMessaggio(), std::nullopt);
    EXPECT_EQ(buffer.Dimensione(), 20);
    EXPECT_EQ(buffer.ProssimoMessaggio(), std::nullopt);
    buffer.Aggiungi(b.mid(20));
    EXPECT_EQ(buffer.ProssimoMessaggio(), QByteArray("#0662second"));
    EXPECT_EQ(buffer.ProssimoMessaggio(), std::nullopt);
    EXPECT_EQ(buffer.Dimensione(), 0);
}

TEST(BufferRicezione, UnreadableChunksAreSkippedAndTheNextFrameDelivered) {
    const QByteArray b = FrameSulFilo("#0662", "after");
    BufferRicezione buffer;
    // Two adjacent terminators: an empty chunk.
    buffer.Aggiungi(FrameSulFilo("#0661", "K") + kTerm + b);
    // Bytes that are not a frame at all, then a whole block whose prefix is not hex.
    buffer.Aggiungi(QByteArray("garbage") + kTerm + b);
    buffer.Aggiungi(ChunkDi("zzzzzzzzzzzzzzzz#0661K") + kTerm + b);
    EXPECT_EQ(Svuota(buffer), (Messaggi{"#0661K", "#0662after", "#0662after", "#0662after"}));
}

TEST(BufferRicezione, ManySmallFramesFromOneReadComeOutInOrder) {
    QByteArray flusso;
    Messaggi attesi;
    for (int i = 0; i < 5000; ++i) {
        const QByteArray payload = QByteArray::number(i);
        flusso += FrameSulFilo("#0100", payload);
        attesi.push_back("#0100" + payload);
    }
    BufferRicezione buffer;
    // A partial frame left at the end must survive the consumed bytes being dropped.
    const QByteArray ultimo = FrameSulFilo("#0101", "last");
    buffer.Aggiungi(flusso + ultimo.left(7));
    EXPECT_EQ(Svuota(buffer), attesi);
    EXPECT_EQ(buffer.Dimensione(), 7);
    buffer.Aggiungi(ultimo.mid(7));
    EXPECT_EQ(Svuota(buffer), Messaggi{"#0101last"});
}

TEST(BufferRicezione, EndlessBytesWithoutATerminatorAreDroppedAndTheLinkGoesOn) {
    constexpr qsizetype kPezzo = 64 * 1024;
    const QByteArray pezzo(kPezzo, 'x');
    BufferRicezione buffer;
    for (qsizetype totale = 0; totale < 17 * 1024 * 1024; totale += kPezzo) {
        buffer.Aggiungi(pezzo);
        ASSERT_LE(buffer.Dimensione(), BufferRicezione::kMassimo);
    }
    EXPECT_EQ(buffer.ProssimoMessaggio(), std::nullopt);
    EXPECT_LT(buffer.Dimensione(), 1024 * 1024);

    // The rest of the junk ends at the next terminator; what follows is read.
    buffer.Aggiungi(pezzo + kTerm + FrameSulFilo("#0661", "K"));
    EXPECT_EQ(Svuota(buffer), Messaggi{"#0661K"});

    // In one append as well.
    buffer.Aggiungi(QByteArray(17 * 1024 * 1024, 'y'));
    EXPECT_LE(buffer.Dimensione(), BufferRicezione::kMassimo);
    buffer.Aggiungi(kTerm + FrameSulFilo("#0662", "L"));
    EXPECT_EQ(Svuota(buffer), Messaggi{"#0662L"});
}

TEST(BufferRicezione, ATerminatorCutByTheDropIsStillFound) {
    BufferRicezione buffer;
    buffer.Aggiungi(QByteArray(BufferRicezione::kMassimo - 4, 'x') + "%#the");
    EXPECT_EQ(buffer.Dimensione(), kTerm.size() - 1);
    buffer.Aggiungi("%#end%#" + FrameSulFilo("#0661", "K"));
    EXPECT_EQ(Svuota(buffer), Messaggi{"#0661K"});
}

TEST(BufferRicezione, ABigAppendWithATerminatorKeepsItsFrames) {
    BufferRicezione buffer;
    buffer.Aggiungi(FrameSulFilo("#0661", "K") + QByteArray(17 * 1024 * 1024, 'x'));
    EXPECT_EQ(buffer.ProssimoMessaggio(), QByteArray("#0661K"));
    EXPECT_EQ(buffer.ProssimoMessaggio(), std::nullopt);
    // The junk is no frame's start; the next append past the bound drops it.
    buffer.Aggiungi("x");
    EXPECT_LE(buffer.Dimensione(), BufferRicezione::kMassimo);
    buffer.Aggiungi(kTerm + FrameSulFilo("#0662", "L"));
    EXPECT_EQ(Svuota(buffer), Messaggi{"#0662L"});
}

} // namespace
} // namespace tarvolin::service
