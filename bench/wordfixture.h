// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <utility>

namespace quarnex::bench {

// Chinese paragraphs of 20 to 80 characters, `characters` in all.
QStringList paragraphs(qsizetype characters);

// document.xml of the paragraphs, marked up the way word processors write it: paragraph and run
// properties, each paragraph in two runs.
QByteArray documentXml(qsizetype characters);

// content.xml of the paragraphs as an OpenDocument writer has them: styled paragraphs, each
// with a span.
QByteArray contentXml(qsizetype characters);

// A .docx in memory holding only the part that is read.
QByteArray docx(const QByteArray &xml);

} // namespace quarnex::bench
