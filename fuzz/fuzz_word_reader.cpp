// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes through the .docx and .odt readers: as a zip of their own, and, so that the XML
// readers see more than libzip's checksum errors, as the XML parts of a zip made here. The
// readers must not crash, hang or allocate without bound, and the text they give is never
// longer than a small multiple of what they read.
#include "documents/document.h"
#include "zipfixture.h"

#include <cstdlib>

using namespace quarnex;

namespace {

// A zip, stored without compression, holding `xml` under each of the names.
QByteArray zipHolding(const QByteArray &xml, std::initializer_list<const char *> names,
                      const QByteArray &mimetype = {})
{
    QList<std::pair<const char *, QByteArray>> entries;
    if (!mimetype.isEmpty())
        entries.append({"mimetype", mimetype});
    for (const char *name : names)
        entries.append({name, xml});
    return testing::zipOf(entries, testing::ZipPacking::Stored);
}

// `xmlBytes`: how much XML the zip holds, when it is known.
void read(const QByteArray &bytes, DocumentFormat format, qsizetype xmlBytes = -1)
{
    QString text, error;
    // A text:s may stand for up to 1024 spaces; nothing else makes more than one character
    // from a byte of XML.
    if (wordText(bytes, format, &text, &error) && xmlBytes >= 0 && text.size() > 1024 * xmlBytes)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("PK")) {
        detectFormat(bytes);
        read(bytes, DocumentFormat::Docx);
        read(bytes, DocumentFormat::Odt);
        return 0;
    }
    read(zipHolding(bytes, {"word/document.xml", "word/footnotes.xml", "word/header1.xml"}),
         DocumentFormat::Docx, 3 * bytes.size());
    read(
        zipHolding(bytes, {"content.xml", "styles.xml"}, "application/vnd.oasis.opendocument.text"),
        DocumentFormat::Odt, 2 * bytes.size());
    return 0;
}
