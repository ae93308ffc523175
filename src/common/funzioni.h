#pragma once

#include <QString>

// Small shared routines of the whole program.
namespace tarvolin {

// Every double quote doubled, for texts embedded in double-quoted SQL literals.
QString QuotaSQL(const QString& text);

// Scrambling of stored texts: each single-byte character XORed with the cycling key and
// written as two upper-case hex digits. Decoding stops at the first pair that is not hex.
QString XorHexEncode(const QString& text, const QString& key);
QString XorHexDecode(const QString& text, const QString& key);

// The user's documents folder and local application-data folder, without a trailing separator.
QString CartellaDocumenti();
QString CartellaDatiLocali();

// A folder text with exactly one trailing separator.
QString ConSeparatore(const QString& folder);

} // namespace tarvolin
