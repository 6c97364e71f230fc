#include "wordfixture.h"

#include <QRandomGenerator>
#include <QString>

#include <zip.h>

namespace quarnex::bench {
using namespace Qt::StringLiterals;

// document.xml of Chinese paragraphs of 20 to 80 characters, `characters` in all, marked up
// the way word processors write it: paragraph and run properties, each paragraph in two runs.
QByteArray documentXml(qsizetype characters)
{
    QRandomGenerator random(11);
    QString xml =
        uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        uR"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
        uR"(<w:body>)"_s;
    const QString runProperties =
        uR"(<w:rPr><w:rFonts w:ascii="Times New Roman" w:eastAsia="宋体"/><w:sz w:val="24"/>)"
        uR"(<w:lang w:eastAsia="zh-CN"/></w:rPr>)"_s;
    qsizetype written = 0;
    while (written < characters) {
        const int length = random.bounded(20, 80);
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(char16_t(0x4E00 + random.bounded(0x2000)));
        text += u'。';
        written += text.size();
        const qsizetype half = text.size() / 2;
        xml +=
            uR"(<w:p><w:pPr><w:spacing w:line="360" w:lineRule="auto"/><w:ind w:firstLine="480"/>)"
            uR"(</w:pPr><w:r>)"_s +
            runProperties + u"<w:t>"_s + text.first(half) + u"</w:t></w:r><w:r>"_s + runProperties +
            u"<w:t>"_s + text.sliced(half) + u"</w:t></w:r></w:p>"_s;
    }
    xml += u"</w:body></w:document>"_s;
    return xml.toUtf8();
}

// A .docx in memory holding only the part that is read.
QByteArray docx(const QByteArray &xml)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_t *part = zip_source_buffer(archive, xml.constData(), zip_uint64_t(xml.size()), 0);
    zip_file_add(archive, "word/document.xml", part, ZIP_FL_ENC_UTF_8);
    zip_close(archive);

    QByteArray bytes;
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    bytes.resize(zip_source_tell(buffer));
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, bytes.data(), zip_uint64_t(bytes.size()));
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

} // namespace quarnex::bench
