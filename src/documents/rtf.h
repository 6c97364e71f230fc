#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quarnex {

// Reads RTF into the document, replacing its content: the text with its colours and font
// names. Never crashes, hangs or allocates without bound, whatever the bytes; returns false
// (with a reason) only when the bytes are not RTF at all, and then leaves the document as it
// was. Paragraphs become blocks, \line a line separator, \tab and the cells of a table row
// tabs; headers, footers, pictures and field instructions are not text. Damaged RTF gives
// what could be read of it. Like any QTextDocument work, it needs a QGuiApplication.
bool readRtf(const QByteArray &rtf, QTextDocument *document, QString *error = nullptr);

// Writes the document as RTF that word processors open with its colours and fonts:
// \rtf1\ansi\ansicpg936, a font table (宋体 as \fcharset134), a colour table starting with its
// empty entry, every non-ASCII character as \uN? (surrogate pairs above U+FFFF). Text without
// a font of its own is in the document's default font, the table's \f0.
QByteArray writeRtf(const QTextDocument *document);

} // namespace quarnex
