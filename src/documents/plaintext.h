// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quarnex {

enum class TextEncoding {
    Utf8Bom,
    Utf16LeBom,
    Utf16BeBom,
    Utf8,
    Utf16Le, // told by the pattern of its bytes, without a byte-order mark
    Utf16Be,
    Gb18030, // code page 936 with GB18030's four-byte sequences
};

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
    // The bytes are no text (see isBinaryContent); `text` is then not worth showing.
    bool binary = false;
};

// Bytes of a plain-text file as the editor presents them, decided in this order:
// - a byte-order mark (UTF-8, UTF-16 LE or BE; the mark itself dropped, and in UTF-16 a lone
//   surrogate made U+FFFD);
// - UTF-8 when the bytes are valid UTF-8 and hold no NUL (so ASCII is always ASCII);
// - UTF-16 without a mark when the bytes look like it (see likelyUtf16);
// - UTF-8 when valid;
// - else code page 936 with GB18030's four-byte sequences (decodeCodePage936).
// Line breaks are left as they are.
DecodedText decodePlainText(const QByteArray &bytes);

// UTF-16 without a byte-order mark, if the bytes read as it: of even length, and read in one of
// the byte orders (decided on the first 64 KiB) at least 95 % of the characters are those of
// real text (ASCII, Latin, Greek, Cyrillic, punctuation and symbols, CJK, kana, full-width forms,
// emoji), while read as code page 936 at least a tenth fewer are. ASCII in UTF-16 has a NUL in
// every other byte, which code page 936 reads as control characters; Chinese in UTF-16 spreads
// its low bytes over all 256 values, which code page 936 turns into controls and broken pairs,
// while GBK read as UTF-16 gives Hangul, surrogates and private use. Korean UTF-16 needs its
// mark: its syllables are exactly what GBK looks like as UTF-16.
// Gives TextEncoding::Utf16Le or Utf16Be, or nothing.
std::optional<TextEncoding> likelyUtf16(QByteArrayView bytes);

// Code page 936 as Windows reads it (GBK: 0x80 is €, the private-use mappings kept), plus
// GB18030's four-byte sequences (0x95 0x34 0xB2 0x35 is 𠮷 U+20BB7). A byte that starts a pair
// but has no valid second byte, a pair or sequence cut off at the end included, becomes
// U+FFFD; the byte after it is read again.
QString decodeCodePage936(QByteArrayView bytes);

// UTF-8 in which a character beyond U+FFFF may also come as two surrogates of three bytes each
// (CESU-8, as catdoc writes them): "\xED\xA1\x82\xED\xBE\xB7" gives 𠮷 U+20BB7. A surrogate
// without its partner, like any other invalid sequence, becomes U+FFFD.
QString decodeCesu8(QByteArrayView bytes);

// Whether content is no text: it starts with the signature of a binary format (zip, PNG, JPEG,
// GIF, PDF, ELF, gzip, bzip2, xz, 7z, RAR, TIFF), or its decoded text holds a NUL or more than
// 1 in 20 characters that are control characters (other than tab, line feed, vertical tab, form
// feed and carriage return).
bool isBinaryContent(QByteArrayView bytes, QStringView decoded);

// Every line break (CR LF, LF or a lone CR) becomes CR LF: u"a\nb\rc\r\n" gives u"a\r\nb\r\nc\r\n".
QString withCrLfBreaks(QStringView text);

} // namespace quarnex
