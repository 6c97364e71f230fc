// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordfixture.h"
#include "randomtext.h"
#include "zipfixture.h"

#include <QRandomGenerator>
#include <QString>

namespace quarnex::bench {
using namespace Qt::StringLiterals;

// Chinese paragraphs of 20 to 80 characters, `characters` in all.
QStringList paragraphs(qsizetype characters)
{
    QRandomGenerator random(11);
    QStringList paragraphs;
    qsizetype written = 0;
    while (written < characters) {
        const QString text = randomSentence(random, 20, 80);
        written += text.size();
        paragraphs.append(text);
    }
    return paragraphs;
}

// document.xml of the paragraphs, marked up the way word processors write it: paragraph and run
// properties, each paragraph in two runs.
QByteArray documentXml(qsizetype characters)
{
    QString xml =
        uR"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        uR"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
        uR"(<w:body>)"_s;
    const QString runProperties =
        uR"(<w:rPr><w:rFonts w:ascii="Times New Roman" w:eastAsia="宋体"/><w:sz w:val="24"/>)"
        uR"(<w:lang w:eastAsia="zh-CN"/></w:rPr>)"_s;
    for (const QString &text : paragraphs(characters)) {
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

// content.xml of the paragraphs as an OpenDocument writer has them: styled paragraphs, each
// with a span.
QByteArray contentXml(qsizetype characters)
{
    QString xml =
        uR"(<?xml version="1.0" encoding="UTF-8"?>)"
        uR"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
        uR"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3">)"
        uR"(<office:body><office:text>)"_s;
    for (const QString &text : paragraphs(characters)) {
        const qsizetype half = text.size() / 2;
        xml += uR"(<text:p text:style-name="P1">)"_s + text.first(half) +
               uR"(<text:span text:style-name="T1">)"_s + text.sliced(half) +
               u"</text:span></text:p>"_s;
    }
    xml += u"</office:text></office:body></office:document-content>"_s;
    return xml.toUtf8();
}

QByteArray docx(const QByteArray &xml)
{
    return testing::zipOf({{"word/document.xml", xml}});
}

} // namespace quarnex::bench
