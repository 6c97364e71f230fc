// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quarnex {

// Reads RTF into the document, replacing its content: the text with its colours, font names
// and sizes. Never crashes, hangs or allocates without bound, whatever the bytes; returns false
// (with a reason) only when the bytes are not RTF at all, and then leaves the document as it
// was. Paragraphs become blocks, \line a line separator, \tab and the cells of a table row
// tabs; pictures, field instructions and comments are not text. Footnotes, then headers and
// footers, then endnotes follow the body, a line each (empty ones left out), as catdoc prints
// them from a .doc. \uN is signed 16-bit (\u-3913 is U+F0B7), a surrogate pair in two \uN
// makes one character, and what cannot be a character (a lone surrogate, a number beyond
// ±65535) is U+FFFD; control characters, from \u0 or \'01 or raw, are never text, and a \'
// without two hex digits is no byte. Damaged RTF gives what could be read of it. Like any
// QTextDocument work, it needs a QGuiApplication.
bool readRtf(const QByteArray &rtf, QTextDocument *document, QString *error = nullptr);

// Writes the document as RTF that word processors open with its colours, fonts and sizes:
// \rtf1\ansi\ansicpg936, a font table (宋体 as \fcharset134), a colour table starting with its
// empty entry, \fsN in half-points (rounded: 9.75 points are \fs20), every non-ASCII
// character as \uN? (surrogate pairs above U+FFFF). Text without a font or size of its own is
// in the document's default font, the table's \f0, and its size.
QByteArray writeRtf(const QTextDocument *document);

} // namespace quarnex
