// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;
class QTextDocument;

namespace quarnex {

// What a file turned out to hold, by its content (not its name).
enum class DocumentFormat { Rtf, Doc, Docx, Odt, Pdf, Text };

// The most a file may hold, checked before it is read. A thesis is well under 10 MB of text,
// so 64 MB of plain text or RTF is no paper; Word, OpenDocument and PDF files carry pictures
// and fonts and may be larger.
inline constexpr qint64 maxTextBytes = 64 * 1024 * 1024;
inline constexpr qint64 maxPackageBytes = 200 * 1024 * 1024;

// The limit for content that starts with `head` (its first 8 bytes decide): maxPackageBytes
// for the OLE2, zip and PDF signatures, maxTextBytes for anything else.
qint64 sizeLimit(QByteArrayView head);

// False, with the reason for the user, when the bytes are more than their limit.
bool withinSizeLimit(QByteArrayView bytes, QString *error);

// Looks at the content: "{\rtf" → Rtf; the OLE2 signature D0 CF 11 E0 A1 B1 1A E1 → Doc; a zip
// holding word/document.xml → Docx; a zip whose "mimetype" is
// application/vnd.oasis.opendocument.text → Odt; "%PDF-" → Pdf; anything else → Text.
DocumentFormat detectFormat(const QByteArray &bytes);

struct LoadedDocument {
    DocumentFormat format = DocumentFormat::Text;
    bool ok = false;
    QString error; // why it could not be read, in Chinese, for the user
};

// Reads a whole file for the reader below. Only a regular file is read (links are followed;
// a folder, pipe, device or socket is refused before it is opened for reading), and one over
// its limit is refused before it is read; no more than limit + 1 bytes are ever read, in case
// it grows meanwhile.
bool readDocumentFile(const QString &path, QByteArray *bytes, QString *error);

// Reads a stream such as standard input in pieces, up to one byte past the limit of what it
// starts with: readDocumentText and withinSizeLimit then refuse it, and a device that never
// ends (/dev/zero) costs no more than that.
QByteArray readBounded(QIODevice *device);

// The text of content as Open puts it into the editor, told apart by content alone: the plain
// text of RTF, of a Word 97–2003 document (catdoc or antiword), a .docx, an .odt or a PDF
// (see pdfText: its footnotes follow the body, its headers and page numbers are left out); else
// decoded plain text (see decodePlainText), which fails when it is binary. Of Word and
// OpenDocument files, and of RTF, the body comes first, then footnotes, then headers and
// footers, then endnotes, each a line of its own (empty ones left out), as catdoc prints a
// .doc; comments are left out (catdoc alone prints them). Breaks are '\n', or as the plain
// text had them.
LoadedDocument readDocumentText(const QByteArray &bytes, QString *text);

// Whether a failure of readDocumentText may pass with the file unchanged, as the fault lies
// with this machine or the moment: the Word converter missing or failing to start, or a read
// that ran out of time.
bool failureMayPass(QStringView error);

// Loads a file as Open puts it into the editor. Names ending in "doc", "DOC" or "Doc" keep the
// Word path: plain text only, whatever the content (our own Save writes RTF under such a name,
// and that reads back as its text). Other names load rich text when the content is RTF, else
// the text of readDocumentText. On failure the document is left as it was.
LoadedDocument loadDocument(const QString &path, QTextDocument *document);

// The text of a document as the editor holds it: paragraph and line breaks '\n', non-breaking
// spaces kept (toPlainText() makes them spaces).
QString documentText(const QTextDocument &document);

// The plain text of a Word 97–2003 document through catdoc or antiword (UTF-8 output forced,
// time- and size-limited); of a .docx or an .odt through libzip and their XML. False, with the
// reason, when it cannot be read.
bool wordText(const QByteArray &bytes, DocumentFormat format, QString *text, QString *error);

} // namespace quarnex
