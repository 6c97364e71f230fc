#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace quarnex {

// What a file turned out to hold, by its content (not its name).
enum class DocumentFormat { Rtf, Doc, Docx, Text };

// Looks at the content: "{\rtf" → Rtf; the OLE2 signature D0 CF 11 E0 A1 B1 1A E1 → Doc; a zip
// holding word/document.xml → Docx; anything else → Text.
DocumentFormat detectFormat(const QByteArray &bytes);

struct LoadedDocument {
    DocumentFormat format = DocumentFormat::Text;
    bool ok = false;
    QString error; // why it could not be read, for the user
};

// Loads a file as Open puts it into the editor. Names ending in "doc", "DOC" or "Doc" keep the
// Word path: plain text only, whatever the content (our own Save writes RTF under such a name,
// and that reads back as its text). Other names load rich text when the content is RTF, the
// document's plain text when it is a Word document, else decoded plain text (BOM, UTF-8, GBK).
// On failure the document is left as it was.
LoadedDocument loadDocument(const QString &path, QTextDocument *document);

// The plain text of a Word 97–2003 document through catdoc or antiword (UTF-8 output forced,
// time-limited); of a .docx through libzip and word/document.xml. Empty optional-like result
// with an error when it cannot be read.
bool wordText(const QByteArray &bytes, DocumentFormat format, QString *text, QString *error);

} // namespace quarnex
