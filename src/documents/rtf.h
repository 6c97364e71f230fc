#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quarnex {

// Reads RTF into the document, replacing its content: the text with its colours and font
// names. Never crashes, hangs or allocates without bound, whatever the bytes; returns false
// (with a reason) only when the bytes are not RTF at all.
bool readRtf(const QByteArray &rtf, QTextDocument *document, QString *error = nullptr);

// Writes the document as RTF that word processors open with its colours and fonts:
// \rtf1\ansi\ansicpg936, a font table (宋体 as \fcharset134), a colour table starting with its
// empty entry, every non-ASCII character as \uN? (surrogate pairs above U+FFFF).
QByteArray writeRtf(const QTextDocument *document);

} // namespace quarnex
