#pragma once

#include <QByteArray>

#include <optional>

// The framing of the service link: a hexadecimal length prefix, the text, zero padding to the
// cipher block, AES-256-CBC with the build's fixed key, then a plain-text terminator.
namespace tarvolin::service {

inline constexpr char kTerminatore[] = "%#the%#end%#";
inline constexpr qsizetype kLunghezzaTerminatore = sizeof(kTerminatore) - 1;

QByteArray Chiave(); // 32 bytes
QByteArray Iv();     // 16 bytes

// Both throw std::invalid_argument unless the key has 32 bytes and the IV 16.
// Pads with zero bytes to a multiple of 16, then encrypts.
QByteArray EncryptText(const QByteArray& plaintext, const QByteArray& key, const QByteArray& iv);

// Returns exactly as many bytes as given. Whole blocks: CBC decryption. A trailing partial block
// (never sent by a correct peer) is XORed with the encryption of the last chaining value
// (the last whole ciphertext block, or the IV when there is none).
QByteArray DecryptText(const QByteArray& ciphertext, const QByteArray& key, const QByteArray& iv);

// Length prefix + text, padded and encrypted (no terminator).
QByteArray BuildFrame(const QByteArray& text);

// What goes on the wire for one message: BuildFrame(code + payload) + terminator.
// code and payload are single-byte (Windows-1252) bytes.
QByteArray FrameSulFilo(const QByteArray& code, const QByteArray& payload);

// Decodes one chunk (the bytes between terminators): DecryptText, then the first 16 characters
// as a hexadecimal number N (either letter case); nullopt when they are not valid hex (an empty
// or short chunk included); else the first N bytes after them, or all that remains (padding
// included) when fewer than N remain.
std::optional<QByteArray> DecodificaChunk(const QByteArray& chunk);

// The receive buffer of the link: bytes in, messages (code + payload) out, in arrival order.
class BufferRicezione {
public:
    // Beyond this many bytes without a terminator the peer is talking nonsense.
    static constexpr qsizetype kMassimo = 16 * 1024 * 1024;

    void Aggiungi(const QByteArray& bytes);

    // The next decoded message; frames whose prefix is not hex (and empty chunks) are dropped
    // and the search goes on; nullopt when no complete frame is left. Bytes after the last
    // terminator stay for the next call.
    std::optional<QByteArray> ProssimoMessaggio();

    // Bytes received and not yet consumed.
    qsizetype Dimensione() const { return buffer_.size() - inizio_; }

private:
    // Absolute index of the next terminator at or after inizio_, or -1.
    qsizetype CercaTerminatore();

    QByteArray buffer_;
    // Consumed bytes stay in front until the next append, so that taking many small frames
    // out of one big read does not shift the rest each time.
    qsizetype inizio_ = 0;
    // No terminator starts in [inizio_, ricerca_): a search resumes here.
    qsizetype ricerca_ = 0;
};

} // namespace tarvolin::service
