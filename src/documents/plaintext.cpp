// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintext.h"

#include <QStringDecoder>

#include <algorithm>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

struct ByteOrderMark {
    QByteArrayView bytes;
    QStringConverter::Encoding decoder;
    TextEncoding encoding;
};

// The UTF-8 mark is three bytes and cannot be mistaken for a UTF-16 one, so the order only
// matters between the two UTF-16 marks, which differ in their first byte.
const ByteOrderMark byteOrderMarks[] = {
    {"\xEF\xBB\xBF", QStringConverter::Utf8, TextEncoding::Utf8Bom},
    {"\xFF\xFE", QStringConverter::Utf16LE, TextEncoding::Utf16LeBom},
    {"\xFE\xFF", QStringConverter::Utf16BE, TextEncoding::Utf16BeBom},
};

// Stateless: a sequence cut off at the end of the file is an error (and a U+FFFD) rather than
// state silently kept for input that never comes. ConvertInitialBom: the mark has already been
// taken off, so a second U+FEFF is text and stays.
constexpr QStringConverter::Flags decoderFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// Enough text to tell the encoding; the rest of a large file is not looked at twice.
constexpr qsizetype utf16SampleBytes = 64 * 1024;

// The characters that make up real text, as opposed to what other bytes read in the wrong
// encoding turn into (controls, Hangul, Yi, private use, lone surrogates).
bool isTextCharacter(char32_t c)
{
    if (c < 0x80)
        return c >= 0x20 ? c != 0x7F : (c == u'\t' || c == u'\n' || c == u'\r');
    struct Range {
        char32_t first, last;
    };
    static constexpr Range ranges[] = {
        {0x00A0, 0x024F},   // Latin-1 and Latin Extended
        {0x0370, 0x052F},   // Greek and Cyrillic
        {0x2000, 0x2BFF},   // punctuation, currency, letterlike, arrows, maths, box drawing
        {0x3000, 0x9FFF},   // CJK punctuation, kana, bopomofo, enclosed, ideographs
        {0xFE30, 0xFE4F},   // CJK compatibility forms
        {0xFF00, 0xFFEF},   // full-width forms
        {0x1F000, 0x1FAFF}, // emoji
        {0x20000, 0x3FFFF}, // ideographs beyond the BMP
    };
    for (const Range &range : ranges) {
        if (c >= range.first && c <= range.last)
            return true;
    }
    return false;
}

// The share of characters that are those of real text.
double utf16TextShare(QByteArrayView bytes, bool littleEndian)
{
    const auto unitAt = [&](qsizetype i) {
        const auto first = char16_t(uchar(bytes[i])), second = char16_t(uchar(bytes[i + 1]));
        return char16_t(littleEndian ? first | second << 8 : first << 8 | second);
    };
    qsizetype characters = 0, text = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        char32_t c = unit;
        if (QChar::isHighSurrogate(unit) && i + 3 < bytes.size() &&
            QChar::isLowSurrogate(unitAt(i + 2))) {
            c = QChar::surrogateToUcs4(unit, unitAt(i + 2));
            i += 2;
        } else if (QChar::isSurrogate(unit)) {
            c = 0; // no character at all
        }
        ++characters;
        text += isTextCharacter(c);
    }
    return characters ? double(text) / double(characters) : 0;
}

double textShare(QStringView text)
{
    qsizetype characters = 0, good = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (text[i].isSurrogate()) {
            c = 0;
        }
        ++characters;
        good += isTextCharacter(c);
    }
    return characters ? double(good) / double(characters) : 0;
}

// Qt's UTF-16 decoder passes surrogates without their partner through; text never holds them.
QString withoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

QString decodeUtf16(QByteArrayView bytes, bool littleEndian)
{
    QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           decoderFlags);
    return withoutLoneSurrogates(decoder.decode(bytes));
}

} // namespace

std::optional<TextEncoding> likelyUtf16(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.size() % 2 != 0)
        return std::nullopt;
    const QByteArrayView sample = bytes.first(std::min(bytes.size(), utf16SampleBytes));
    const double littleEndian = utf16TextShare(sample, true);
    const double bigEndian = utf16TextShare(sample, false);
    const double best = std::max(littleEndian, bigEndian);
    if (best < 0.95 || textShare(decodeCodePage936(sample)) > best - 0.1)
        return std::nullopt;
    // ASCII read in the wrong order gives ideographs (U+6100 for "a"), so both orders can look
    // like text; the right one looks more so, and a tie goes to the order Windows writes.
    return littleEndian >= bigEndian ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
}

QString decodeCodePage936(QByteArrayView bytes)
{
    // GBK for single bytes and pairs: GB18030 maps 0x80 and 82 pairs (A2E3, A8BC, FE50…)
    // differently from the code page 936 that Windows and the rest of this program use.
    QStringDecoder gbk("GBK", QStringConverter::Flag::Stateless);
    QStringDecoder gb18030("GB18030", QStringConverter::Flag::Stateless);
    if (!gbk.isValid() || !gb18030.isValid()) {
        // A Qt built without a codec library has neither; the lossy UTF-8 reading is then the
        // best the editor can show.
        return QString::fromUtf8(bytes);
    }
    const auto byteAt = [&](qsizetype i) { return uchar(bytes[i]); };
    const auto isDigit = [](uchar b) { return b >= '0' && b <= '9'; };
    const auto isLead = [](uchar b) { return b >= 0x81 && b <= 0xFE; };

    QString out;
    out.reserve(bytes.size());
    // Runs of single bytes and pairs go to the GBK decoder whole; it already turns a lead byte
    // with a bad second byte into U+FFFD and reads that byte again.
    qsizetype runStart = 0;
    const auto endRun = [&](qsizetype end) {
        if (end > runStart)
            out += gbk.decode(bytes.sliced(runStart, end - runStart));
    };
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (!isLead(byteAt(i))) {
            ++i;
            continue;
        }
        if (i + 1 == bytes.size()) {
            // GBK would drop a lead byte at the very end without a trace.
            endRun(i);
            out += QChar::ReplacementCharacter;
            return out;
        }
        const uchar second = byteAt(i + 1);
        if (isDigit(second)) {
            if (i + 3 < bytes.size() && isLead(byteAt(i + 2)) && isDigit(byteAt(i + 3))) {
                endRun(i);
                out += gb18030.decode(bytes.sliced(i, 4));
                i += 4;
                runStart = i;
            } else {
                ++i; // a U+FFFD from GBK, then the digit
            }
            continue;
        }
        i += second >= 0x40 && second != 0x7F && second != 0xFF ? 2 : 1;
    }
    endRun(bytes.size());
    return out;
}

QString decodeCesu8(QByteArrayView bytes)
{
    // A surrogate in three bytes: ED A0..BF 80..BF, giving D800..DFFF; 0 when there is none.
    const auto surrogateAt = [&](qsizetype i) -> char16_t {
        if (i + 2 >= bytes.size() || uchar(bytes[i]) != 0xED ||
            (uchar(bytes[i + 1]) & 0xE0) != 0xA0 || (uchar(bytes[i + 2]) & 0xC0) != 0x80)
            return 0;
        return char16_t(0xD000 | (uchar(bytes[i + 1]) & 0x3F) << 6 | (uchar(bytes[i + 2]) & 0x3F));
    };
    QStringDecoder utf8(QStringConverter::Utf8, decoderFlags);
    QString out;
    out.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        // 0xED only ever starts a sequence, so the scan cannot land inside another character.
        const char16_t unit = surrogateAt(i);
        if (unit == 0) {
            ++i;
            continue;
        }
        out += utf8.decode(bytes.sliced(runStart, i - runStart));
        const char16_t low = QChar::isHighSurrogate(unit) ? surrogateAt(i + 3) : 0;
        if (QChar::isLowSurrogate(low)) {
            out += QChar(unit);
            out += QChar(low);
            i += 6;
        } else {
            out += QChar::ReplacementCharacter;
            i += 3;
        }
        runStart = i;
    }
    out += utf8.decode(bytes.sliced(runStart));
    return out;
}

bool isBinaryContent(QByteArrayView bytes, QStringView decoded)
{
    static constexpr QByteArrayView signatures[] = {
        "PK\x03\x04",
        "PK\x05\x06",
        "PK\x07\x08", // zip (also an empty or spanned one)
        "\x89PNG\r\n\x1A\n",
        "\xFF\xD8\xFF",
        "GIF87a",
        "GIF89a",
        "%PDF-",
        "\x7F"
        "ELF",
        "\x1F\x8B", // gzip
        QByteArrayView("\xFD"
                       "7zXZ\0",
                       6), // xz
        "7z\xBC\xAF\x27\x1C",
        "Rar!\x1A\x07",
        QByteArrayView("II*\0", 4),
        QByteArrayView("MM\0*", 4), // TIFF
    };
    for (const QByteArrayView signature : signatures) {
        if (bytes.startsWith(signature))
            return true;
    }
    // bzip2: "BZh", the block size digit, then the block magic.
    if (bytes.size() >= 10 && bytes.startsWith("BZh") && bytes[3] >= '1' && bytes[3] <= '9' &&
        bytes.sliced(4).startsWith("1AY&SY"))
        return true;

    qsizetype odd = 0;
    for (const QChar qc : decoded) {
        const char16_t c = qc.unicode();
        if (c == 0)
            return true;
        // Not U+FFFD: a text file cut off inside a character, or with a stray byte, is still
        // text, and binary content makes control characters anyway.
        if ((c < 0x20 && (c < u'\t' || c > u'\r')) || (c >= 0x7F && c <= 0x9F))
            ++odd;
    }
    return odd * 20 > decoded.size();
}

DecodedText decodePlainText(const QByteArray &bytes)
{
    const QByteArrayView view(bytes);
    DecodedText decoded;
    const auto byMark =
        std::find_if(std::begin(byteOrderMarks), std::end(byteOrderMarks),
                     [&view](const ByteOrderMark &mark) { return view.startsWith(mark.bytes); });
    if (byMark != std::end(byteOrderMarks)) {
        const QByteArrayView rest = view.sliced(byMark->bytes.size());
        if (byMark->decoder == QStringConverter::Utf8) {
            QStringDecoder decoder(QStringConverter::Utf8, decoderFlags);
            decoded = {decoder.decode(rest), byMark->encoding};
        } else {
            decoded = {decodeUtf16(rest, byMark->decoder == QStringConverter::Utf16LE),
                       byMark->encoding};
        }
    } else {
        // Qt's UTF-8 decoder flags overlong forms, encoded surrogates and truncated sequences
        // as errors, which is exactly the strictness needed to tell UTF-8 from code page 936:
        // GBK text of any length is almost never valid UTF-8.
        QStringDecoder utf8(QStringConverter::Utf8, decoderFlags);
        QString text = utf8.decode(view);
        const bool utf8Valid = !utf8.hasError();
        if (utf8Valid && !view.contains('\0')) {
            decoded = {std::move(text), TextEncoding::Utf8};
        } else if (const auto utf16 = likelyUtf16(view)) {
            decoded = {decodeUtf16(view, *utf16 == TextEncoding::Utf16Le), *utf16};
        } else if (utf8Valid) {
            decoded = {std::move(text), TextEncoding::Utf8};
        } else {
            decoded = {decodeCodePage936(view), TextEncoding::Gb18030};
        }
    }
    decoded.binary = isBinaryContent(view, decoded.text);
    return decoded;
}

QString withCrLfBreaks(QStringView text)
{
    QString result;
    result.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            result += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            result += u"\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace quarnex
