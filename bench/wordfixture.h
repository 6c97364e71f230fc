#pragma once

#include <QByteArray>

namespace quarnex::bench {

// document.xml of Chinese paragraphs of 20 to 80 characters, `characters` in all, marked up
// the way word processors write it: paragraph and run properties, each paragraph in two runs.
QByteArray documentXml(qsizetype characters);

// A .docx in memory holding only the part that is read.
QByteArray docx(const QByteArray &xml);

} // namespace quarnex::bench
