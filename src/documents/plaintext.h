#pragma once

#include <QByteArray>
#include <QString>

namespace quarnex {

enum class TextEncoding { Utf8Bom, Utf16LeBom, Utf16BeBom, Utf8, Gbk };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Bytes of a plain-text file as the editor presents them: decoded by their byte-order mark
// (UTF-8, UTF-16 LE or BE; the mark itself dropped), else as UTF-8 when they are valid UTF-8,
// else as GBK. Line breaks are left as they are.
DecodedText decodePlainText(const QByteArray &bytes);

// Every line break (CR LF, LF or a lone CR) becomes CR LF: u"a\nb\rc\r\n" gives u"a\r\nb\r\nc\r\n".
QString withCrLfBreaks(QStringView text);

} // namespace quarnex
