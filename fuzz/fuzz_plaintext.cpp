// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes through the plain-text decoding: the byte-order mark, UTF-8, UTF-16 told by its
// bytes, code page 936 with GB18030, the binary check, and catdoc's CESU-8. Each byte gives at
// most one UTF-16 unit, and no surrogate is ever left without its partner.
#include "documents/plaintext.h"

#include <cstdlib>

using namespace quarnex;

namespace {

void check(const QString &text, qsizetype bytes)
{
    if (text.size() > bytes)
        std::abort();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedText decoded = decodePlainText(bytes);
    check(decoded.text, bytes.size());
    if (decoded.binary != isBinaryContent(bytes, decoded.text))
        std::abort();
    check(decodeCodePage936(bytes), bytes.size());
    check(decodeCesu8(bytes), bytes.size());
    likelyUtf16(bytes);

    // Every break comes out as CR LF, and nothing else changes.
    const QString lines = withCrLfBreaks(decoded.text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if ((lines[i] == u'\r') != (i + 1 < lines.size() && lines[i + 1] == u'\n') ||
            (lines[i] == u'\n' && (i == 0 || lines[i - 1] != u'\r')))
            std::abort();
    }
    return 0;
}
