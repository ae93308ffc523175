#pragma once

#include <QByteArray>
#include <QString>

// Small shared routines of the whole program.
namespace tarvolin {

// Every double quote doubled, for texts embedded in double-quoted SQL literals.
QString QuotaSQL(const QString& text);

// Scrambling of stored texts: each single-byte character XORed with the cycling key and
// written as two upper-case hex digits. Decoding stops at the first pair that is not hex.
QString XorHexEncode(const QString& text, const QString& key);
QString XorHexDecode(const QString& text, const QString& key);

// The sub-folder of a finished file when every file gets its own folder: the name without
// folder and last extension, cut before the first ".part" when one stands near its end,
// followed by a separator. Film.part01.rar gives "Film/".
QString SottocartellaFile(const QString& nomeFile);

// A remaining time: weeks + "s ", days + "g ", then hh.mm.ss; whole years are left out.
QString FormatoDurata(qint64 secondi);

// The value of one hexadecimal digit in either case, -1 for any other character.
int ValoreEsadecimale(char16_t c);

// The text after the first `inizio` and before the first `fine` that follows it (the whole rest
// when `fine` does not follow); empty when `inizio` does not occur. Case-sensitive.
QString EstraiTesto(const QString& testo, const QString& inizio, const QString& fine);
QByteArray EstraiTesto(const QByteArray& testo, const QByteArray& inizio, const QByteArray& fine);

// Percent-encodes every byte of the UTF-8 form that is a control character or blank, not ASCII,
// or one of *<>#%"{}|\^[]` (and "+" when asked), as "%" and two upper-case hex digits.
QString CodificaPercentuale(const QString& testo, bool codificaPiu);

// A folder text with exactly one trailing separator.
QString ConSeparatore(const QString& folder);

} // namespace tarvolin
