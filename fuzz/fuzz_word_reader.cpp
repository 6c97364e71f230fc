// Any bytes through the .docx and .odt readers: as a zip of their own, and, so that the XML
// readers see more than libzip's checksum errors, as the XML parts of a zip made here. The
// readers must not crash, hang or allocate without bound, and the text they give is never
// longer than a small multiple of what they read.
#include "documents/document.h"

#include <zip.h>

#include <cstdlib>

using namespace quarnex;

namespace {

// A zip, stored without compression, holding `xml` under each of the names.
QByteArray zipHolding(const QByteArray &xml, std::initializer_list<const char *> names,
                      const QByteArray &mimetype = {})
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    const auto add = [&](const char *name, const QByteArray &content) {
        const zip_int64_t index = zip_file_add(
            archive, name,
            zip_source_buffer(archive, content.constData(), zip_uint64_t(content.size()), 0),
            ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    };
    if (!mimetype.isEmpty())
        add("mimetype", mimetype);
    for (const char *name : names)
        add(name, xml);
    zip_close(archive);
    QByteArray bytes;
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    bytes.resize(qsizetype(zip_source_tell(buffer)));
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, bytes.data(), zip_uint64_t(bytes.size()));
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
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
