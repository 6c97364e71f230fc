// SPDX-License-Identifier: GPL-3.0-or-later
#include "document.h"

#include "pdf.h"
#include "plaintext.h"
#include "rtf.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <zip.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <memory>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView oleSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr QByteArrayView zipSignature = "PK\x03\x04";
constexpr QByteArrayView pdfSignature = "%PDF-";
constexpr char documentPart[] = "word/document.xml";
constexpr QByteArrayView odfTextType = "application/vnd.oasis.opendocument.text";

// A converter that has not answered by then is taken to be stuck on a malformed file.
constexpr int converterTimeoutMs = 10'000;

// The parts are unpacked into memory before they are parsed; a zip bomb stops here rather
// than when memory runs out. Real documents stay far below it even with their markup.
constexpr qint64 maxUnpackedBytes = 200 * 1024 * 1024;

constexpr qint64 megabyte = 1024 * 1024;

const QString notDocument = u"文件内容不是文本，也不是 Word、RTF、OpenDocument 或 PDF 文档"_s;

QString limitName(qint64 limit)
{
    return (limit == maxPackageBytes ? u"Word、OpenDocument 和 PDF 文档"_s
                                     : u"纯文本和 RTF 文件"_s) +
           u"的上限 "_s + QString::number(limit / megabyte) + u" MB"_s;
}

QString fileTooLarge(qint64 size, qint64 limit)
{
    // Rounded up, so that a file just over the limit does not read as exactly at it.
    const double megabytes = std::ceil(double(size) * 10 / double(megabyte)) / 10;
    return u"文件大小为 %1 MB，超过了"_s.arg(megabytes, 0, 'f', 1) + limitName(limit);
}

QString systemReason(int code)
{
    return u"读取失败："_s + qt_error_string(code);
}

QString notRegularFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return u"这是一个文件夹，不是文件"_s;
    if (S_ISFIFO(mode))
        return u"这是一个管道，不是普通文件"_s;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return u"这是一个设备，不是普通文件"_s;
    if (S_ISSOCK(mode))
        return u"这是一个套接字，不是普通文件"_s;
    return u"这不是普通文件"_s;
}

// Reads until `bytes` holds one byte more than its limit, or the device ends: whoever gets more
// than the limit refuses it, and the rest of an endless device is never read. The limit is
// `limit`, or less once the first bytes show what the content is.
void readUpTo(QIODevice *device, QByteArray *bytes, qint64 limit)
{
    const auto limitNow = [&] {
        return bytes->size() < oleSignature.size() ? limit : std::min(limit, sizeLimit(*bytes));
    };
    char buffer[64 * 1024];
    while (bytes->size() <= limitNow()) {
        const qint64 room = limitNow() + 1 - bytes->size();
        const qint64 read = device->read(buffer, std::min<qint64>(room, sizeof buffer));
        if (read > 0)
            bytes->append(buffer, qsizetype(read));
        else if (read < 0 || !device->waitForReadyRead(-1))
            return;
    }
}

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

bool hasEntry(zip_t *archive, const char *name)
{
    return zip_name_locate(archive, name, 0) >= 0;
}

// Unpacks one entry, taking its size from what is left of `budget`, the unpacked bytes all
// parts of one document may have together.
bool unpackEntry(zip_t *archive, const char *name, QByteArray *out, qint64 *budget, QString *error)
{
    const std::unique_ptr<zip_file_t, ZipFileCloser> entry(zip_fopen(archive, name, 0));
    if (!entry) {
        *error = QString::fromUtf8(zip_strerror(archive));
        return false;
    }
    char buffer[64 * 1024];
    for (;;) {
        const zip_int64_t read = zip_fread(entry.get(), buffer, sizeof buffer);
        if (read < 0) {
            *error = QString::fromUtf8(zip_file_strerror(entry.get()));
            return false;
        }
        if (read == 0)
            return true;
        if (read > *budget) {
            *error = u"解压后超过 %1 MB"_s.arg(maxUnpackedBytes / megabyte);
            return false;
        }
        *budget -= read;
        out->append(buffer, qsizetype(read));
    }
}

bool isOdfText(zip_t *archive)
{
    if (!hasEntry(archive, "mimetype") || !hasEntry(archive, "content.xml"))
        return false;
    QByteArray type;
    qint64 budget = odfTextType.size() + 1; // anything longer is another type
    QString ignored;
    return unpackEntry(archive, "mimetype", &type, &budget, &ignored) && type == odfTextType;
}

DocumentFormat zipFormat(const QByteArray &bytes)
{
    if (const ZipArchive archive = openZip(bytes, nullptr)) {
        if (hasEntry(archive.get(), documentPart))
            return DocumentFormat::Docx;
        return isOdfText(archive.get()) ? DocumentFormat::Odt : DocumentFormat::Text;
    }
    // A damaged archive (a download cut short) has lost its central directory, but the local
    // header of each entry still names it, and OpenDocument stores its type first, unpacked:
    // report it as the document it was meant to be, so that reading fails with a reason
    // instead of calling it no document at all.
    if (bytes.contains(documentPart))
        return DocumentFormat::Docx;
    if (QByteArrayView(bytes)
            .first(std::min<qsizetype>(bytes.size(), 256))
            .contains("mimetype"_ba + odfTextType.toByteArray()))
        return DocumentFormat::Odt;
    return DocumentFormat::Text;
}

// The parts of a word processor's document that are text, in the order catdoc prints them
// from a .doc; each holds lines ending in '\n'.
struct Stories {
    QString body;
    QString footnotes;
    QString headers; // headers and footers
    QString endnotes;

    // The body, then every non-empty line of the others.
    QString joined() &&
    {
        QString out = std::move(body);
        if (out.endsWith(u'\n'))
            out.chop(1);
        for (const QString *story : {&footnotes, &headers, &endnotes}) {
            for (const QStringView line : QStringView(*story).tokenize(u'\n')) {
                if (line.isEmpty())
                    continue;
                if (!out.isEmpty())
                    out += u'\n';
                out += line;
            }
        }
        return out;
    }
};

// The failures of the moment, which failureMayPass tells from those of the content.
constexpr QStringView noConverter =
    u"读取 Word 97–2003 文档需要 catdoc 或 antiword，但两者都没有安装";
constexpr QStringView noCopy = u"无法写入文档的临时副本：";
constexpr QStringView cannotRun = u"无法运行 ";
constexpr QStringView timedOut = u"超时"; // as the converter's and the PDF reader's say

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
        *error = noConverter.toString();
        return false;
    }

    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        *error = noCopy.toString() + file.errorString();
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments << file.fileName());
    if (!process.waitForStarted()) {
        *error = cannotRun.toString() + program + u"："_s + process.errorString();
        return false;
    }
    // The text of a .doc is at most its size in UTF-16, which is at most 1.5 times as many
    // bytes of UTF-8; more output than this is a converter gone wrong, and is not kept.
    const qint64 maxOutput = 4 * qint64(bytes.size()) + 64 * 1024;
    constexpr qsizetype maxReason = 4096;
    QByteArray out, reason;
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = converterTimeoutMs - clock.elapsed();
        if (left > 0)
            process.waitForReadyRead(int(left));
        out += process.readAllStandardOutput();
        reason += process.readAllStandardError();
        reason.truncate(maxReason);
        if (left <= 0 || out.size() > maxOutput) {
            process.kill();
            process.waitForFinished();
            *error = left <= 0 ? program + u" 读取文档超时"_s
                               : program + u" 输出的文字过多，文档可能已损坏"_s;
            return false;
        }
    }
    out += process.readAllStandardOutput();
    reason += process.readAllStandardError();
    if (out.size() > maxOutput) {
        *error = program + u" 输出的文字过多，文档可能已损坏"_s;
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString why =
            QString::fromUtf8(reason.first(std::min(reason.size(), maxReason))).trimmed();
        *error = u"无法读取这个 Word 文档"_s + (why.isEmpty() ? QString() : u"："_s + why);
        return false;
    }
    // catdoc writes a character beyond U+FFFF as two surrogates of three bytes each.
    QString decoded = decodeCesu8(out);
    decoded.replace(u"\r\n"_s, u"\n"_s);
    // Both tools end every paragraph, the last one too, with a line break the document does not
    // have.
    while (decoded.endsWith(u'\n'))
        decoded.chop(1);
    *text = std::move(decoded);
    return true;
}

// --- .docx ---

bool isWordElement(const QXmlStreamReader &reader, QStringView name)
{
    // Transitional and strict documents name the same elements in different namespaces.
    return reader.name() == name &&
           (reader.namespaceUri() ==
                u"http://schemas.openxmlformats.org/wordprocessingml/2006/main" ||
            reader.namespaceUri() == u"http://purl.oclc.org/ooxml/wordprocessingml/main");
}

// The text of one WordprocessingML part (document, notes, a header), a line per paragraph.
bool appendWordPart(const QByteArray &xml, QString *out, QString *error)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && isWordElement(reader, u"p")) {
            *out += u'\n';
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (isWordElement(reader, u"t")) {
            *out += reader.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (isWordElement(reader, u"tab")) {
            *out += u'\t';
        } else if (isWordElement(reader, u"br") || isWordElement(reader, u"cr")) {
            *out += u'\n';
        } else if (isWordElement(reader, u"pPr") || isWordElement(reader, u"rPr") ||
                   (reader.name() == u"Fallback" &&
                    reader.namespaceUri() ==
                        u"http://schemas.openxmlformats.org/markup-compatibility/2006")) {
            // Properties hold tab stops (w:tab too) but no text; a fallback repeats, for older
            // readers, what its alternative already gave. Deleted text (w:delText) and field
            // codes (w:instrText) are elements of their own and never collected.
            reader.skipCurrentElement();
        } else if (isWordElement(reader, u"footnote") || isWordElement(reader, u"endnote")) {
            // The separator lines between the text and its notes are notes of a type of their
            // own.
            const QStringView type =
                reader.attributes().value(reader.namespaceUri().toString(), u"type"_s);
            if (!type.isEmpty() && type != u"normal")
                reader.skipCurrentElement();
        }
    }
    if (reader.hasError()) {
        *error = reader.errorString();
        return false;
    }
    return true;
}

// word/header1.xml, word/header2.xml … in the order of their numbers, then the footers.
QList<QByteArray> headerParts(zip_t *archive)
{
    QList<std::pair<int, QByteArray>> headers, footers;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const QByteArray name = zip_get_name(archive, zip_uint64_t(i), 0);
        for (auto [prefix, list] :
             {std::pair{"word/header"_ba, &headers}, std::pair{"word/footer"_ba, &footers}}) {
            if (!name.startsWith(prefix) || !name.endsWith(".xml"))
                continue;
            bool numbered = false;
            const int number =
                name.sliced(prefix.size(), name.size() - prefix.size() - 4).toInt(&numbered);
            if (numbered)
                list->append({number, name});
        }
    }
    std::sort(headers.begin(), headers.end());
    std::sort(footers.begin(), footers.end());
    QList<QByteArray> parts;
    for (const auto &list : {headers, footers})
        for (const auto &[number, name] : list)
            parts.append(name);
    return parts;
}

bool docxText(const QByteArray &bytes, QString *text, QString *error)
{
    QString reason;
    const ZipArchive archive = openZip(bytes, &reason);
    Stories stories;
    qint64 budget = maxUnpackedBytes;
    const auto readPart = [&](const char *name, QString *story) {
        QByteArray xml;
        return unpackEntry(archive.get(), name, &xml, &budget, &reason) &&
               appendWordPart(xml, story, &reason);
    };
    bool ok = archive && readPart(documentPart, &stories.body);
    // The notes, headers and footers a document does not have are simply not there.
    if (ok && hasEntry(archive.get(), "word/footnotes.xml"))
        ok = readPart("word/footnotes.xml", &stories.footnotes);
    if (ok) {
        for (const QByteArray &part : headerParts(archive.get())) {
            if (!(ok = readPart(part.constData(), &stories.headers)))
                break;
        }
    }
    if (ok && hasEntry(archive.get(), "word/endnotes.xml"))
        ok = readPart("word/endnotes.xml", &stories.endnotes);
    if (!ok) {
        *error = u"Word 文档已损坏："_s + reason;
        return false;
    }
    *text = std::move(stories).joined();
    return true;
}

// --- .odt ---

// Collects the text of OpenDocument paragraphs into a story. White space in the XML collapses
// to one space, none at the start of a paragraph; text:s, text:tab and text:line-break are the
// spaces, tabs and breaks that count.
class OdfStory {
public:
    explicit OdfStory(QString *text) : m_text(text) {}

    void startParagraph()
    {
        m_hasContent = false;
        m_collapsedSpace = false;
    }
    void endParagraph()
    {
        *m_text += u'\n';
        startParagraph();
    }
    void characters(QStringView data)
    {
        for (const QChar c : data) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                if (m_hasContent && !m_collapsedSpace) {
                    *m_text += u' ';
                    m_collapsedSpace = true;
                }
            } else {
                content(c);
            }
        }
    }
    void content(QChar c, qsizetype count = 1)
    {
        m_text->append(QString(count, c));
        m_hasContent = true;
        m_collapsedSpace = false;
    }

private:
    QString *m_text;
    bool m_hasContent = false;
    bool m_collapsedSpace = false;
};

constexpr QStringView odfTextNs = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr QStringView odfOfficeNs = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr QStringView odfStyleNs = u"urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr QStringView odfSvgNs = u"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";

bool isHeaderOrFooter(QStringView name)
{
    for (const QStringView kind :
         {u"header", u"header-left", u"header-first", u"footer", u"footer-left", u"footer-first"}) {
        if (name == kind)
            return true;
    }
    return false;
}

// More spaces than any page holds, so that text:c="2000000000" costs nothing.
constexpr qsizetype maxSpaceRun = 1024;

// The text of content.xml (the body and its notes) or of styles.xml (headers and footers of the
// master pages).
bool appendOdfPart(const QByteArray &xml, bool styles, Stories *stories, QString *error)
{
    OdfStory body(&stories->body), footnotes(&stories->footnotes), headers(&stories->headers),
        endnotes(&stories->endnotes);
    // Where the text goes: for each open element the story it writes to, or null outside the
    // text (the body before office:text, the styles outside a header).
    std::vector<OdfStory *> open;
    OdfStory *note = nullptr; // the story of the text:note being read
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        OdfStory *story = open.empty() ? nullptr : open.back();
        if (token == QXmlStreamReader::Characters) {
            if (story)
                story->characters(reader.text());
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (reader.namespaceUri() == odfTextNs &&
                (reader.name() == u"p" || reader.name() == u"h") && story)
                story->endParagraph();
            if (!open.empty())
                open.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView ns = reader.namespaceUri();
        const QStringView name = reader.name();
        if (!styles && ns == odfOfficeNs && name == u"text") {
            story = &body;
        } else if (styles && ns == odfStyleNs && isHeaderOrFooter(name) &&
                   reader.attributes().value(odfStyleNs.toString(), u"display"_s) != u"false") {
            story = &headers;
        } else if ((ns == odfOfficeNs && name == u"annotation") ||
                   (ns == odfSvgNs && (name == u"title" || name == u"desc"))) {
            // Comments, and the descriptions of pictures, are not the paper's text.
            reader.skipCurrentElement();
            continue;
        } else if (ns == odfTextNs) {
            if (name == u"note-citation" || name == u"tracked-changes") {
                // The note's number, and text already deleted.
                reader.skipCurrentElement();
                continue;
            }
            if (name == u"note") {
                note =
                    reader.attributes().value(odfTextNs.toString(), u"note-class"_s) == u"endnote"
                        ? &endnotes
                        : &footnotes;
            } else if (name == u"note-body" && story && note) {
                story = note;
                // Word, and everything written for it, keeps the note's number and a tab as the
                // start of the note's text, which their readers show as a tab; an OpenDocument
                // note holds its number apart, so the tab is put back for the same text in
                // every format.
                story->content(u'\t');
            } else if (story && (name == u"p" || name == u"h")) {
                story->startParagraph();
            } else if (story && name == u"s") {
                bool ok = false;
                const qsizetype count =
                    reader.attributes().value(odfTextNs.toString(), u"c"_s).toLongLong(&ok);
                story->content(u' ', ok ? std::clamp<qsizetype>(count, 1, maxSpaceRun) : 1);
            } else if (story && name == u"tab") {
                story->content(u'\t');
            } else if (story && name == u"line-break") {
                story->content(u'\n');
            }
        }
        open.push_back(story);
    }
    if (reader.hasError()) {
        *error = reader.errorString();
        return false;
    }
    return true;
}

bool odtText(const QByteArray &bytes, QString *text, QString *error)
{
    QString reason;
    const ZipArchive archive = openZip(bytes, &reason);
    Stories stories;
    qint64 budget = maxUnpackedBytes;
    const auto readPart = [&](const char *name, bool styles) {
        QByteArray xml;
        return unpackEntry(archive.get(), name, &xml, &budget, &reason) &&
               appendOdfPart(xml, styles, &stories, &reason);
    };
    bool ok = archive && readPart("content.xml", false);
    if (ok && hasEntry(archive.get(), "styles.xml"))
        ok = readPart("styles.xml", true);
    if (!ok) {
        *error = u"OpenDocument 文档已损坏："_s + reason;
        return false;
    }
    *text = std::move(stories).joined();
    return true;
}

// --- Loading ---

// The last three characters decide, exactly as written: "x.dOc" and "x.docx" do not count.
bool hasWordName(const QString &path)
{
    const QStringView end = QStringView(path).right(3);
    return end == u"doc" || end == u"DOC" || end == u"Doc";
}

bool textOf(const QByteArray &bytes, DocumentFormat format, QString *text, QString *error)
{
    switch (format) {
    case DocumentFormat::Doc:
    case DocumentFormat::Docx:
    case DocumentFormat::Odt:
        return wordText(bytes, format, text, error);
    case DocumentFormat::Pdf:
        return pdfText(bytes, text, error);
    case DocumentFormat::Rtf: {
        QTextDocument scratch;
        if (!readRtf(bytes, &scratch, error))
            return false;
        *text = documentText(scratch);
        return true;
    }
    case DocumentFormat::Text:
        break;
    }
    DecodedText decoded = decodePlainText(bytes);
    if (decoded.binary) {
        *error = notDocument;
        return false;
    }
    *text = std::move(decoded.text);
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

qint64 sizeLimit(QByteArrayView head)
{
    return head.startsWith(oleSignature) || head.startsWith(zipSignature) ||
                   head.startsWith(pdfSignature)
               ? maxPackageBytes
               : maxTextBytes;
}

bool withinSizeLimit(QByteArrayView bytes, QString *error)
{
    const qint64 limit = sizeLimit(bytes);
    if (bytes.size() <= limit)
        return true;
    if (error)
        *error = u"内容超过了"_s + limitName(limit);
    return false;
}

DocumentFormat detectFormat(const QByteArray &bytes)
{
    if (bytes.startsWith("{\\rtf"))
        return DocumentFormat::Rtf;
    if (bytes.startsWith(oleSignature))
        return DocumentFormat::Doc;
    if (bytes.startsWith(zipSignature))
        return zipFormat(bytes);
    if (bytes.startsWith(pdfSignature))
        return DocumentFormat::Pdf;
    return DocumentFormat::Text;
}

bool readDocumentFile(const QString &path, QByteArray *bytes, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    // The kind first: opening a pipe would wait for a writer, and a socket cannot be opened.
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        *error = systemReason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = notRegularFile(info.st_mode);
        return false;
    }
    if (info.st_size > maxPackageBytes) {
        *error = fileTooLarge(info.st_size, maxPackageBytes);
        return false;
    }
    // Non-blocking, and checked again once open, in case the name now stands for a pipe.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        *error = systemReason(errno);
        return false;
    }
    QFile file;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const int code = errno;
        *error = S_ISREG(info.st_mode) ? systemReason(code) : notRegularFile(info.st_mode);
        if (!file.isOpen())
            ::close(descriptor);
        return false;
    }
    const qint64 limit = sizeLimit(file.peek(oleSignature.size()));
    if (info.st_size > limit) {
        *error = fileTooLarge(info.st_size, limit);
        return false;
    }
    QByteArray read;
    read.reserve(qsizetype(info.st_size) + 1);
    readUpTo(&file, &read, limit);
    if (file.error() != QFileDevice::NoError) {
        *error = u"读取失败："_s + file.errorString();
        return false;
    }
    if (read.size() > sizeLimit(read)) {
        *error = fileTooLarge(read.size(), sizeLimit(read)); // it grew meanwhile
        return false;
    }
    *bytes = std::move(read);
    return true;
}

QByteArray readBounded(QIODevice *device)
{
    QByteArray bytes;
    readUpTo(device, &bytes, maxPackageBytes);
    return bytes;
}

bool wordText(const QByteArray &bytes, DocumentFormat format, QString *text, QString *error)
{
    QString reason;
    bool ok = false;
    if (format == DocumentFormat::Doc)
        ok = converterText(bytes, text, &reason);
    else if (format == DocumentFormat::Docx)
        ok = docxText(bytes, text, &reason);
    else if (format == DocumentFormat::Odt)
        ok = odtText(bytes, text, &reason);
    else
        reason = u"不是 Word 或 OpenDocument 文档"_s;
    if (!ok && error)
        *error = reason;
    return ok;
}

LoadedDocument readDocumentText(const QByteArray &bytes, QString *text)
{
    LoadedDocument loaded;
    if (!withinSizeLimit(bytes, &loaded.error))
        return loaded;
    loaded.format = detectFormat(bytes);
    loaded.ok = textOf(bytes, loaded.format, text, &loaded.error);
    return loaded;
}

bool failureMayPass(QStringView error)
{
    return error == noConverter || error.startsWith(noCopy) || error.startsWith(cannotRun) ||
           error.contains(timedOut);
}

LoadedDocument loadDocument(const QString &path, QTextDocument *document)
{
    LoadedDocument loaded;
    QByteArray bytes;
    if (!readDocumentFile(path, &bytes, &loaded.error))
        return loaded;
    loaded.format = detectFormat(bytes);

    if (loaded.format == DocumentFormat::Rtf && !hasWordName(path)) {
        // The content starts with "{\rtf", and only content that is not RTF at all makes
        // readRtf fail; so the document is replaced only by a successful read.
        loaded.ok = readRtf(bytes, document, &loaded.error);
        return loaded;
    }
    QString text;
    if (!textOf(bytes, loaded.format, &text, &loaded.error))
        return loaded;
    setBlackPlainText(document, text);
    loaded.ok = true;
    return loaded;
}

QString documentText(const QTextDocument &document)
{
    QString text = document.toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // QTextBeginningOfFrame
        case 0xFDD1: // QTextEndOfFrame
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

} // namespace quarnex
