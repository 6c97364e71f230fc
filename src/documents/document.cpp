#include "document.h"

#include "plaintext.h"
#include "rtf.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView oleSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr QByteArrayView zipSignature = "PK\x03\x04";
constexpr char documentPart[] = "word/document.xml";

// A converter that has not answered by then is taken to be stuck on a malformed file.
constexpr int converterTimeoutMs = 10'000;

// The part is unpacked into memory before it is parsed; a zip bomb stops here rather than
// when memory runs out. Real documents stay far below it even with their markup.
constexpr qint64 maxDocumentPartBytes = 200 * 1024 * 1024;

struct ZipCloser {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipCloser>;

// Opens the bytes as a zip in place; they must outlive the archive.
ZipArchive openZip(const QByteArray &bytes, QString *error)
{
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t *source =
        zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &zipError);
    zip_t *archive = source ? zip_open_from_source(source, ZIP_RDONLY, &zipError) : nullptr;
    if (!archive) {
        if (source)
            zip_source_free(source);
        if (error)
            *error = QString::fromUtf8(zip_error_strerror(&zipError));
    }
    zip_error_fini(&zipError);
    return ZipArchive(archive);
}

bool isDocxZip(const QByteArray &bytes)
{
    if (!bytes.startsWith(zipSignature))
        return false;
    if (const ZipArchive archive = openZip(bytes, nullptr))
        return zip_name_locate(archive.get(), documentPart, 0) >= 0;
    // A damaged archive (a download cut short) has lost its central directory, but the local
    // header of each entry still names it: report it as the Word document it was meant to be,
    // so that reading fails with a reason instead of showing zip bytes as text.
    return bytes.contains(documentPart);
}

bool converterText(const QByteArray &bytes, QString *text, QString *error)
{
    // catdoc copes with more of the old formats; antiword is the fallback where only it is there.
    QString program = QStandardPaths::findExecutable(u"catdoc"_s);
    QStringList arguments = {u"-d"_s, u"utf-8"_s, u"-w"_s};
    if (program.isEmpty()) {
        program = QStandardPaths::findExecutable(u"antiword"_s);
        arguments = {u"-m"_s, u"UTF-8.txt"_s};
    }
    if (program.isEmpty()) {
        *error = u"reading Word 97–2003 documents needs catdoc or antiword, and neither is "
                 u"installed"_s;
        return false;
    }

    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        *error = u"cannot write a temporary copy of the document: "_s + file.errorString();
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments << file.fileName());
    if (!process.waitForStarted()) {
        *error = u"cannot run "_s + program + u": "_s + process.errorString();
        return false;
    }
    if (!process.waitForFinished(converterTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        *error = program + u" took too long to read the document"_s;
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString reason = QString::fromUtf8(process.readAllStandardError()).trimmed();
        *error = u"the Word document cannot be read"_s +
                 (reason.isEmpty() ? QString() : u": "_s + reason);
        return false;
    }
    QString out = QString::fromUtf8(process.readAllStandardOutput());
    out.replace(u"\r\n"_s, u"\n"_s);
    // Both tools end every paragraph, the last one too, with a line break the document does not
    // have.
    while (out.endsWith(u'\n'))
        out.chop(1);
    *text = std::move(out);
    return true;
}

bool unpackDocumentPart(const QByteArray &bytes, QByteArray *xml, QString *error)
{
    QString zipError;
    const ZipArchive archive = openZip(bytes, &zipError);
    if (!archive) {
        *error = u"the Word document is damaged: "_s + zipError;
        return false;
    }
    const std::unique_ptr<zip_file_t, ZipFileCloser> part(
        zip_fopen(archive.get(), documentPart, 0));
    if (!part) {
        *error =
            u"the Word document is damaged: "_s + QString::fromUtf8(zip_strerror(archive.get()));
        return false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const zip_int64_t read = zip_fread(part.get(), buffer, sizeof buffer);
        if (read < 0) {
            *error = u"the Word document is damaged: "_s +
                     QString::fromUtf8(zip_file_strerror(part.get()));
            return false;
        }
        if (read == 0)
            return true;
        if (xml->size() + read > maxDocumentPartBytes) {
            *error = u"the Word document is too large"_s;
            return false;
        }
        xml->append(buffer, read);
    }
}

bool isWordElement(const QXmlStreamReader &reader, QStringView name)
{
    // Transitional and strict documents name the same elements in different namespaces.
    return reader.name() == name &&
           (reader.namespaceUri() ==
                u"http://schemas.openxmlformats.org/wordprocessingml/2006/main" ||
            reader.namespaceUri() == u"http://purl.oclc.org/ooxml/wordprocessingml/main");
}

bool docxText(const QByteArray &bytes, QString *text, QString *error)
{
    QByteArray xml;
    if (!unpackDocumentPart(bytes, &xml, error))
        return false;

    QString out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && isWordElement(reader, u"p")) {
            out += u'\n';
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (isWordElement(reader, u"t")) {
            out += reader.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (isWordElement(reader, u"tab")) {
            out += u'\t';
        } else if (isWordElement(reader, u"br") || isWordElement(reader, u"cr")) {
            out += u'\n';
        } else if (isWordElement(reader, u"pPr") || isWordElement(reader, u"rPr") ||
                   (reader.name() == u"Fallback" &&
                    reader.namespaceUri() ==
                        u"http://schemas.openxmlformats.org/markup-compatibility/2006")) {
            // Properties hold tab stops (w:tab too) but no text; a fallback repeats, for older
            // readers, what its alternative already gave. Deleted text (w:delText) and field
            // codes (w:instrText) are elements of their own and never collected.
            reader.skipCurrentElement();
        }
    }
    if (reader.hasError()) {
        *error = u"the Word document is damaged: "_s + reader.errorString();
        return false;
    }
    // Every paragraph ended with a break; the last one has nothing after it.
    if (out.endsWith(u'\n'))
        out.chop(1);
    *text = std::move(out);
    return true;
}

// The last three characters decide, exactly as written: "x.dOc" and "x.docx" do not count.
bool hasWordName(const QString &path)
{
    const QStringView end = QStringView(path).right(3);
    return end == u"doc" || end == u"DOC" || end == u"Doc";
}

// The plain text of any content, as the Word path of Open reads it.
bool plainTextOf(const QByteArray &bytes, DocumentFormat format, QString *text, QString *error)
{
    switch (format) {
    case DocumentFormat::Doc:
    case DocumentFormat::Docx:
        return wordText(bytes, format, text, error);
    case DocumentFormat::Rtf: {
        QTextDocument scratch;
        if (!readRtf(bytes, &scratch, error))
            return false;
        *text = scratch.toPlainText();
        return true;
    }
    case DocumentFormat::Text:
        break;
    }
    *text = decodePlainText(bytes).text;
    return true;
}

void setBlackPlainText(QTextDocument *document, const QString &text)
{
    // Paragraphs are separated by '\n' in setPlainText; a lone CR would stay inside a line.
    QString lines = withCrLfBreaks(text);
    lines.replace(u"\r\n"_s, u"\n"_s);
    document->setPlainText(lines);
    // Black stated in the formats, not left to the palette, so that checking and saving see the
    // same colour the user does.
    QTextCharFormat black;
    black.setForeground(Qt::black);
    QTextCursor cursor(document);
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(black);
    cursor.mergeBlockCharFormat(black);
}

} // namespace

DocumentFormat detectFormat(const QByteArray &bytes)
{
    if (bytes.startsWith("{\\rtf"))
        return DocumentFormat::Rtf;
    if (bytes.startsWith(oleSignature))
        return DocumentFormat::Doc;
    if (isDocxZip(bytes))
        return DocumentFormat::Docx;
    return DocumentFormat::Text;
}

bool wordText(const QByteArray &bytes, DocumentFormat format, QString *text, QString *error)
{
    QString reason;
    bool ok = false;
    if (format == DocumentFormat::Doc)
        ok = converterText(bytes, text, &reason);
    else if (format == DocumentFormat::Docx)
        ok = docxText(bytes, text, &reason);
    else
        reason = u"not a Word document"_s;
    if (!ok && error)
        *error = reason;
    return ok;
}

LoadedDocument loadDocument(const QString &path, QTextDocument *document)
{
    LoadedDocument loaded;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.error = file.errorString();
        return loaded;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        loaded.error = file.errorString();
        return loaded;
    }
    loaded.format = detectFormat(bytes);

    if (loaded.format == DocumentFormat::Rtf && !hasWordName(path)) {
        // The content starts with "{\rtf", and only content that is not RTF at all makes
        // readRtf fail; so the document is replaced only by a successful read.
        loaded.ok = readRtf(bytes, document, &loaded.error);
        return loaded;
    }
    QString text;
    if (!plainTextOf(bytes, loaded.format, &text, &loaded.error))
        return loaded;
    setBlackPlainText(document, text);
    loaded.ok = true;
    return loaded;
}

} // namespace quarnex
