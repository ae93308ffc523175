#include "service/frame.h"

#include "common/deployment.h"
#include "common/diagnostica.h"
#include "common/funzioni.h"

#include <QByteArrayView>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace tarvolin::service {
namespace {

constexpr qsizetype kBlocco = 16;
constexpr qsizetype kCifreLunghezza = 16;
constexpr int kLunghezzaChiave = 32;
// Above this the buffer's memory is released once everything in it has been read.
constexpr qsizetype kCapienzaTrattenuta = 1024 * 1024;

struct LiberaContesto {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using Contesto = std::unique_ptr<EVP_CIPHER_CTX, LiberaContesto>;

// A local copy of key material that does not outlive its use.
class Segreto {
public:
    explicit Segreto(QByteArray bytes) : bytes_(std::move(bytes)) {}
    ~Segreto() { OPENSSL_cleanse(bytes_.data(), static_cast<size_t>(bytes_.size())); }
    Segreto(const Segreto&) = delete;
    Segreto& operator=(const Segreto&) = delete;
    const QByteArray& get() const { return bytes_; }

private:
    QByteArray bytes_;
};

qsizetype ArrotondaAlBlocco(qsizetype n) {
    return (n + kBlocco - 1) / kBlocco * kBlocco;
}

const unsigned char* Byte(const char* p) {
    return reinterpret_cast<const unsigned char*>(p);
}

unsigned char* Byte(char* p) {
    return reinterpret_cast<unsigned char*>(p);
}

void ControllaMateriale(const QByteArray& key, const QByteArray& iv) {
    if (key.size() != kLunghezzaChiave || iv.size() != kBlocco)
        throw std::invalid_argument("AES-256-CBC wants a 32-byte key and a 16-byte IV");
}

// Runs `n` bytes (a multiple of the block) through a fresh context, so that no chaining state
// carries over from one frame to the next.
void Trasforma(const EVP_CIPHER* cipher, bool cifra, const QByteArray& key, const char* iv,
               const char* in, qsizetype n, char* out) {
    Contesto ctx(EVP_CIPHER_CTX_new());
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr, Byte(key.constData()), Byte(iv),
                          cifra ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1)
        throw std::runtime_error("AES context set-up failed");
    // EVP takes int lengths.
    constexpr qsizetype kPasso = qsizetype{1} << 30;
    qsizetype fatto = 0;
    while (fatto < n) {
        const int passo = static_cast<int>(std::min(kPasso, n - fatto));
        int scritti = 0;
        if (EVP_CipherUpdate(ctx.get(), Byte(out + fatto), &scritti, Byte(in + fatto), passo) !=
                1 ||
            scritti != passo)
            throw std::runtime_error("AES update failed");
        fatto += passo;
    }
    int coda = 0;
    if (EVP_CipherFinal_ex(ctx.get(), Byte(out + fatto), &coda) != 1 || coda != 0)
        throw std::runtime_error("AES final failed");
}

// Encrypts already padded bytes, leaving room for `riserva` more at the end.
QByteArray Cifra(const char* dati, qsizetype n, const QByteArray& key, const QByteArray& iv,
                 qsizetype riserva = 0) {
    QByteArray out;
    out.reserve(n + riserva);
    out.resize(n);
    Trasforma(EVP_aes_256_cbc(), true, key, iv.constData(), dati, n, out.data());
    return out;
}

void ScriviLunghezza(quint64 n, char* out) {
    static constexpr char kCifre[] = "0123456789ABCDEF";
    for (qsizetype i = kCifreLunghezza - 1; i >= 0; --i) {
        out[i] = kCifre[n & 0xF];
        n >>= 4;
    }
}

// Prefix, the two texts one after the other, zero padding, then the cipher; one copy of the
// text and no reallocation for the terminator.
QByteArray CostruisciFrame(QByteArrayView codice, QByteArrayView resto, qsizetype riserva) {
    const qsizetype n = codice.size() + resto.size();
    const qsizetype totale = ArrotondaAlBlocco(kCifreLunghezza + n);
    QByteArray chiaro(totale, Qt::Uninitialized);
    char* p = chiaro.data();
    ScriviLunghezza(static_cast<quint64>(n), p);
    p += kCifreLunghezza;
    if (!codice.isEmpty())
        std::memcpy(p, codice.data(), static_cast<size_t>(codice.size()));
    p += codice.size();
    if (!resto.isEmpty())
        std::memcpy(p, resto.data(), static_cast<size_t>(resto.size()));
    p += resto.size();
    std::memset(p, 0, static_cast<size_t>(chiaro.constData() + totale - p));

    const Segreto chiave(Chiave());
    return Cifra(chiaro.constData(), totale, chiave.get(), Iv(), riserva);
}

} // namespace

QByteArray Chiave() {
    return QByteArray::fromHex(kAesKeyHex);
}

QByteArray Iv() {
    return QByteArray::fromHex(kAesIvHex);
}

QByteArray EncryptText(const QByteArray& plaintext, const QByteArray& key, const QByteArray& iv) {
    ControllaMateriale(key, iv);
    const qsizetype totale = ArrotondaAlBlocco(plaintext.size());
    if (totale == plaintext.size())
        return Cifra(plaintext.constData(), totale, key, iv);
    QByteArray imbottito(plaintext);
    imbottito.append(totale - plaintext.size(), '\0');
    return Cifra(imbottito.constData(), totale, key, iv);
}

QByteArray DecryptText(const QByteArray& ciphertext, const QByteArray& key, const QByteArray& iv) {
    ControllaMateriale(key, iv);
    const qsizetype interi = ciphertext.size() / kBlocco * kBlocco;
    QByteArray out(ciphertext.size(), Qt::Uninitialized);
    if (interi > 0)
        Trasforma(EVP_aes_256_cbc(), false, key, iv.constData(), ciphertext.constData(), interi,
                  out.data());
    if (interi < ciphertext.size()) {
        // What CFB would do with the tail: the only reading that keeps every byte.
        const char* catena =
            interi > 0 ? ciphertext.constData() + interi - kBlocco : iv.constData();
        char flusso[kBlocco];
        Trasforma(EVP_aes_256_ecb(), true, key, nullptr, catena, kBlocco, flusso);
        for (qsizetype i = interi; i < ciphertext.size(); ++i)
            out[i] = static_cast<char>(ciphertext[i] ^ flusso[i - interi]);
        OPENSSL_cleanse(flusso, sizeof flusso);
    }
    return out;
}

QByteArray BuildFrame(const QByteArray& text) {
    return CostruisciFrame(text, {}, 0);
}

QByteArray FrameSulFilo(const QByteArray& code, const QByteArray& payload) {
    QByteArray frame = CostruisciFrame(code, payload, kLunghezzaTerminatore);
    frame.append(kTerminatore, kLunghezzaTerminatore);
    return frame;
}

std::optional<QByteArray> DecodificaChunk(const QByteArray& chunk) {
    if (chunk.size() < kCifreLunghezza)
        return std::nullopt;
    QByteArray chiaro;
    {
        const Segreto chiave(Chiave());
        chiaro = DecryptText(chunk, chiave.get(), Iv());
    }
    quint64 n = 0;
    for (qsizetype i = 0; i < kCifreLunghezza; ++i) {
        const int cifra = ValoreEsadecimale(static_cast<unsigned char>(chiaro.constData()[i]));
        if (cifra < 0)
            return std::nullopt;
        n = n << 4 | static_cast<quint64>(cifra);
    }
    chiaro.remove(0, kCifreLunghezza);
    if (n < static_cast<quint64>(chiaro.size()))
        chiaro.truncate(static_cast<qsizetype>(n));
    return chiaro;
}

void BufferRicezione::Aggiungi(const QByteArray& bytes) {
    if (inizio_ > 0) {
        if (inizio_ == buffer_.size() && buffer_.capacity() > kCapienzaTrattenuta)
            buffer_ = QByteArray(); // a flood is over: give its memory back
        else
            buffer_.remove(0, inizio_);
        ricerca_ -= inizio_;
        inizio_ = 0;
    }
    buffer_.append(bytes);
    if (buffer_.size() > kMassimo && CercaTerminatore() < 0) {
        // The tail may hold the start of a terminator. The allocation stays: a peer that floods
        // once tends to go on, and growing it again each time costs more than the copying.
        constexpr qsizetype kCoda = kLunghezzaTerminatore - 1;
        std::memmove(buffer_.data(), buffer_.constData() + buffer_.size() - kCoda, kCoda);
        buffer_.resize(kCoda);
        qCDebug(lcServizio) << "over" << kMassimo << "bytes without a frame end: dropped";
        ricerca_ = 0;
    }
}

std::optional<QByteArray> BufferRicezione::ProssimoMessaggio() {
    for (;;) {
        const qsizetype fine = CercaTerminatore();
        if (fine < 0)
            return std::nullopt;
        const qsizetype da = inizio_;
        inizio_ = fine + kLunghezzaTerminatore;
        ricerca_ = inizio_;
        if (fine == da)
            continue;
        // The chunk is read in place; nothing touches the buffer until it is decoded.
        auto messaggio =
            DecodificaChunk(QByteArray::fromRawData(buffer_.constData() + da, fine - da));
        if (messaggio)
            return messaggio;
        qCDebug(lcServizio) << "undecodable frame of" << fine - da << "bytes dropped";
    }
}

qsizetype BufferRicezione::CercaTerminatore() {
    const qsizetype pos =
        buffer_.indexOf(QByteArrayView(kTerminatore, kLunghezzaTerminatore), ricerca_);
    if (pos >= 0)
        ricerca_ = pos;
    else
        ricerca_ = std::max(inizio_, buffer_.size() - (kLunghezzaTerminatore - 1));
    return pos;
}

} // namespace tarvolin::service
