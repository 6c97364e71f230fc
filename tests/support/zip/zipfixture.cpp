// SPDX-License-Identifier: GPL-3.0-or-later
#include "zipfixture.h"

#include <zip.h>

namespace quarnex::testing {

QByteArray zipOf(const QList<std::pair<const char *, QByteArray>> &entries, ZipPacking packing)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto &[name, content] : entries) {
        const zip_int64_t index = zip_file_add(
            archive, name,
            zip_source_buffer(archive, content.constData(), zip_uint64_t(content.size()), 0),
            ZIP_FL_ENC_UTF_8);
        if (packing == ZipPacking::Stored)
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
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

} // namespace quarnex::testing
