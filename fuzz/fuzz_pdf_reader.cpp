// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as a PDF, and any boxes laid out as its pages: neither may crash or hang, and
// the layout never makes more text than its words hold, with a space or break between each.
#include "documents/pdf.h"

#include <cstdlib>
#include <cstring>

using namespace quarnex;

namespace {

// Words of 12 bytes each: four coordinates, a flag and up to seven characters of text, a new
// page where the flag says so.
QList<PdfPage> pagesOf(const uint8_t *data, size_t size, qsizetype *characters)
{
    QList<PdfPage> pages;
    QList<PdfWord> words;
    const auto endPage = [&] {
        pages.append({QSizeF(420, 595), pdfLines(words)});
        words.clear();
    };
    for (size_t at = 0; at + 12 <= size; at += 12) {
        const uint8_t *word = data + at;
        const QRectF box(word[0] * 2, word[1] * 3, word[2] + 1, word[3] / 8 + 1);
        const uint8_t flags = word[4];
        QString text;
        for (int i = 5; i < 5 + (flags & 7); ++i)
            text += QChar(word[i] < 0x80 ? char16_t(word[i]) : char16_t(0x4E00 + word[i]));
        *characters += text.size() + 2;
        words.append({text, box, bool(flags & 8)});
        if (flags & 16)
            endPage();
    }
    endPage();
    return pages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0 && data[0] == '%') {
        const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
        QString text, error;
        pdfText(bytes, &text, &error);
        return 0;
    }
    qsizetype characters = 0;
    const QList<PdfPage> pages = pagesOf(data, size, &characters);
    if (pdfPageText(pages).size() > characters)
        std::abort();
    return 0;
}
