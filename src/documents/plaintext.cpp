#include "plaintext.h"

#include <QStringDecoder>

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

} // namespace

DecodedText decodePlainText(const QByteArray &bytes)
{
    const QByteArrayView view(bytes);
    for (const ByteOrderMark &mark : byteOrderMarks) {
        if (view.startsWith(mark.bytes)) {
            QStringDecoder decoder(mark.decoder, decoderFlags);
            return {decoder.decode(view.sliced(mark.bytes.size())), mark.encoding};
        }
    }

    // Qt's UTF-8 decoder flags overlong forms, encoded surrogates and truncated sequences as
    // errors, which is exactly the strictness needed to tell UTF-8 from GBK: GBK text of any
    // length is almost never valid UTF-8.
    QStringDecoder utf8(QStringConverter::Utf8, decoderFlags);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return {std::move(text), TextEncoding::Utf8};

    QStringDecoder gbk("GBK", decoderFlags);
    if (!gbk.isValid()) {
        // A Qt built without a codec library has no GBK; the lossy UTF-8 reading is then the
        // best the editor can show.
        return {std::move(text), TextEncoding::Utf8};
    }
    return {gbk.decode(view), TextEncoding::Gbk};
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
