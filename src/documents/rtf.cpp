// SPDX-License-Identifier: GPL-3.0-or-later
#include "documents/rtf.h"

#include "documents/plaintext.h"

#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <string_view>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

namespace quarnex {

namespace {

// Deeper nesting than any word processor writes; groups beyond it are read as part of the
// innermost kept group, so hostile input cannot grow the state stack.
constexpr int maxGroupDepth = 1000;
// Control words are at most 32 letters; a longer run of letters is no word we know.
constexpr qsizetype maxWordLength = 32;

// Where the text of the current group goes.
enum class Destination {
    Text,       // the document
    Skip,       // nothing: pictures, headers, {\*…} and the like
    FieldSkip,  // inside \field, until its \fldrslt brings the text back
    FontTable,  // font names
    ColorTable, // colour entries
};

// The parts of the text, in the order they are put together: the body, then (as catdoc prints a
// .doc) footnotes, headers and footers, endnotes.
enum class Story { Body, Footnotes, Headers, Endnotes };
constexpr size_t storyCount = 4;

struct GroupState {
    Destination destination = Destination::Text;
    Story story = Story::Body;
    int font = -1;       // \fN; -1 until one is chosen, which means the \deff font
    int colour = 0;      // \cfN; 0 is the automatic colour
    int fontSize = 0;    // \fsN in half-points; 0 for the document's default size
    int unicodeSkip = 1; // \ucN: fallback characters that follow each \uN
};

struct FontEntry {
    QString name;
    int charset = -1; // \fcharsetN; -1 when the table gives none
};

struct Run {
    int font;
    int colour;
    int fontSize;
    QString text;
};

struct StoryText {
    std::vector<Run> runs;
    bool cellPending = false; // a \cell becomes a tab only when more of its row follows
};

// Sizes no word processor offers (\fs0, \fs-4, \fs99999) are no size.
constexpr int maxHalfPoints = 3276;

// The code page behind a font's \fcharset, as QStringDecoder knows it; empty when the charset
// says nothing about the bytes (1 = default, 2 = symbol), so the document's \ansicpg applies.
const char *charsetCodec(int charset)
{
    switch (charset) {
    case 0:
        return "windows-1252";
    case 128:
        return "Shift_JIS";
    case 129:
        return "EUC-KR";
    case 134:
        return "GBK";
    case 136:
        return "Big5";
    case 161:
        return "windows-1253";
    case 162:
        return "windows-1254";
    case 163:
        return "windows-1258";
    case 177:
        return "windows-1255";
    case 178:
        return "windows-1256";
    case 186:
        return "windows-1257";
    case 204:
        return "windows-1251";
    case 222:
        return "windows-874";
    case 238:
        return "windows-1250";
    default:
        return nullptr;
    }
}

QByteArray codePageCodec(int codePage)
{
    switch (codePage) {
    case 932:
        return "Shift_JIS"_ba;
    case 936:
        return "GBK"_ba;
    case 949:
        return "EUC-KR"_ba;
    case 950:
        return "Big5"_ba;
    case 65001:
        return "UTF-8"_ba;
    default:
        break;
    }
    const QByteArray name = "windows-"_ba + QByteArray::number(codePage);
    return QStringDecoder(name.constData()).isValid() ? name : "windows-1252"_ba;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

enum class Word {
    Unknown,
    Ansicpg,
    Deff,
    Uc,
    U,
    F,
    Fcharset,
    Cf,
    Plain,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Emdash,
    Endash,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Bullet,
    Bin,
    Fonttbl,
    Colortbl,
    Red,
    Green,
    Blue,
    SkipDestination,
    Field,
    Fldrslt,
    Footnote,
    Ftnalt,
    Header, // and the footers: their text goes together
    Fs,
};

Word lookUp(std::string_view name)
{
    struct Entry {
        std::string_view name;
        Word word;
    };
    // Sorted by name for the binary search.
    static constexpr Entry words[] = {
        {"ansicpg", Word::Ansicpg},
        {"bin", Word::Bin},
        {"blue", Word::Blue},
        {"bullet", Word::Bullet},
        {"cell", Word::Cell},
        {"cf", Word::Cf},
        {"colortbl", Word::Colortbl},
        {"deff", Word::Deff},
        {"emdash", Word::Emdash},
        {"endash", Word::Endash},
        {"f", Word::F},
        {"fcharset", Word::Fcharset},
        {"field", Word::Field},
        {"fldinst", Word::SkipDestination},
        {"fldrslt", Word::Fldrslt},
        {"fonttbl", Word::Fonttbl},
        {"footer", Word::Header},
        {"footerf", Word::Header},
        {"footerl", Word::Header},
        {"footerr", Word::Header},
        {"footnote", Word::Footnote},
        {"fs", Word::Fs},
        {"ftnalt", Word::Ftnalt},
        {"green", Word::Green},
        {"header", Word::Header},
        {"headerf", Word::Header},
        {"headerl", Word::Header},
        {"headerr", Word::Header},
        {"info", Word::SkipDestination},
        {"ldblquote", Word::Ldblquote},
        {"line", Word::Line},
        {"lquote", Word::Lquote},
        {"par", Word::Par},
        {"pict", Word::SkipDestination},
        {"plain", Word::Plain},
        {"rdblquote", Word::Rdblquote},
        {"red", Word::Red},
        {"row", Word::Row},
        {"rquote", Word::Rquote},
        {"sect", Word::Par},
        {"stylesheet", Word::SkipDestination},
        {"tab", Word::Tab},
        {"u", Word::U},
        {"uc", Word::Uc},
    };
    static_assert(std::is_sorted(std::begin(words), std::end(words),
                                 [](const Entry &a, const Entry &b) { return a.name < b.name; }));
    const auto it = std::lower_bound(std::begin(words), std::end(words), name,
                                     [](const Entry &e, std::string_view n) { return e.name < n; });
    return it != std::end(words) && it->name == name ? it->word : Word::Unknown;
}

class Reader {
public:
    explicit Reader(QByteArrayView rtf) : m_data(rtf) {}

    void parse();
    void build(QTextDocument *document) const;
    QTextCharFormat formatOf(const Run &run) const;

private:
    void controlWord();
    void controlSymbol(char symbol);
    void word(Word word, bool hasParameter, int parameter);
    void plainText();
    void openGroup();
    void closeGroup();

    void flushBytes();
    void emitText(QStringView text);
    void emitChar(char16_t c) { emitText(QStringView(&c, 1)); }
    void unicodeCharacter(int parameter);
    void endFontEntry();
    void endColourEntry();
    QString decode(int font, const QByteArray &bytes);
    // A token that the \uN before it stands for: true when it is dropped as fallback.
    bool skippedAsFallback()
    {
        if (m_fallbackLeft == 0)
            return false;
        --m_fallbackLeft;
        return true;
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_done = false;

    GroupState m_state;
    std::vector<GroupState> m_stack;
    // Where the control word right after a \* would start: a destination we read, such as
    // {\*\footnote …}, is read after all.
    qsizetype m_starredWordAt = -1;
    Destination m_destinationBeforeStar = Destination::Text;
    // A high surrogate from \uN, waiting for the low one in the next \uN.
    char16_t m_pendingHigh = 0;
    int m_unkeptDepth = 0; // groups opened beyond maxGroupDepth, read as part of their parent
    int m_fallbackLeft = 0;

    QByteArray m_codePage = "windows-1252"_ba;
    int m_defaultFont = -1;
    QHash<int, FontEntry> m_fonts;
    int m_fontBeingNamed = -1;
    QString m_fontName;
    std::vector<QColor> m_colours;
    int m_red = -1, m_green = -1, m_blue = -1;

    // Bytes of the current run (literal text and \'hh), decoded together on the next control
    // word or brace, since a double-byte character may be split over two \'hh.
    QByteArray m_bytes;
    std::map<QByteArray, QStringDecoder> m_decoders;
    std::array<StoryText, storyCount> m_stories;
};

void Reader::parse()
{
    const char *data = m_data.data();
    const qsizetype size = m_data.size();
    while (m_pos < size && !m_done) {
        switch (data[m_pos]) {
        case '{':
            flushBytes();
            ++m_pos;
            openGroup();
            break;
        case '}':
            flushBytes();
            ++m_pos;
            closeGroup();
            break;
        case '\\':
            if (m_pos + 1 >= size) {
                m_pos = size;
                break;
            }
            if (isLetter(data[m_pos + 1])) {
                controlWord();
            } else {
                m_pos += 2;
                controlSymbol(data[m_pos - 1]);
            }
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            plainText();
            break;
        }
    }
    flushBytes();
    emitText({}); // a high surrogate left waiting at the end
}

void Reader::openGroup()
{
    // A fallback for \uN never reaches across a brace.
    m_fallbackLeft = 0;
    if (m_stack.size() >= size_t(maxGroupDepth)) {
        ++m_unkeptDepth;
        return;
    }
    m_stack.push_back(m_state);
}

void Reader::closeGroup()
{
    m_fallbackLeft = 0;
    if (m_unkeptDepth > 0) {
        --m_unkeptDepth;
        return;
    }
    if (m_state.destination == Destination::FontTable && m_fontBeingNamed >= 0)
        endFontEntry(); // a name without its ';'
    if (m_stack.empty()) {
        m_done = true;
        return;
    }
    // A note or header ends its line, also when its group has no \par at the end.
    if (m_state.story != m_stack.back().story && m_state.destination == Destination::Text) {
        std::vector<Run> &runs = m_stories[size_t(m_state.story)].runs;
        if (!runs.empty() && !runs.back().text.endsWith(u'\n'))
            runs.back().text += u'\n';
        m_stories[size_t(m_state.story)].cellPending = false;
    }
    m_state = m_stack.back();
    m_stack.pop_back();
    // The closing brace of the outermost group ends the document; anything after it is not
    // part of it.
    if (m_stack.empty())
        m_done = true;
}

void Reader::plainText()
{
    const char *data = m_data.data();
    const qsizetype size = m_data.size();
    qsizetype end = m_pos;
    while (end < size && data[end] != '\\' && data[end] != '{' && data[end] != '}' &&
           data[end] != '\r' && data[end] != '\n')
        ++end;
    qsizetype from = m_pos;
    m_pos = end;
    const qsizetype skipped = std::min<qsizetype>(m_fallbackLeft, end - from);
    m_fallbackLeft -= int(skipped);
    from += skipped;

    switch (m_state.destination) {
    case Destination::Text:
        for (qsizetype i = from; i < end; ++i) {
            // Control characters other than tab are not text in RTF.
            if (static_cast<unsigned char>(data[i]) < 0x20 && data[i] != '\t')
                continue;
            m_bytes += data[i];
        }
        break;
    case Destination::FontTable:
        for (qsizetype i = from; i < end; ++i) {
            if (data[i] == ';')
                endFontEntry();
            else if (m_fontBeingNamed >= 0)
                m_bytes += data[i];
        }
        break;
    case Destination::ColorTable:
        for (qsizetype i = from; i < end; ++i) {
            if (data[i] == ';')
                endColourEntry();
        }
        break;
    case Destination::Skip:
    case Destination::FieldSkip:
        break;
    }
}

void Reader::controlWord()
{
    const char *data = m_data.data();
    const qsizetype size = m_data.size();
    qsizetype pos = m_pos + 1;
    const qsizetype nameStart = pos;
    while (pos < size && isLetter(data[pos]))
        ++pos;
    const std::string_view name(data + nameStart, size_t(pos - nameStart));

    bool hasParameter = false;
    bool negative = false;
    long long value = 0;
    if (pos < size && data[pos] == '-' && pos + 1 < size && isDigit(data[pos + 1])) {
        negative = true;
        ++pos;
    }
    while (pos < size && isDigit(data[pos])) {
        hasParameter = true;
        // Saturate: an absurd parameter stays absurd instead of wrapping into a plausible one.
        value = std::min<long long>(value * 10 + (data[pos] - '0'), 1LL << 40);
        ++pos;
    }
    if (pos < size && data[pos] == ' ')
        ++pos;
    m_pos = pos;
    const long long limit = std::numeric_limits<int>::max();
    const int parameter = int(std::clamp(negative ? -value : value, -limit, limit));

    const Word known = qsizetype(name.size()) <= maxWordLength ? lookUp(name) : Word::Unknown;
    if (m_starredWordAt == nameStart - 1 && (known == Word::Footnote || known == Word::Header))
        m_state.destination = m_destinationBeforeStar;
    m_starredWordAt = -1;
    if (known == Word::Bin) {
        // The binary data is never text, fallback or not; skip exactly its length.
        const qsizetype length = hasParameter ? std::max(parameter, 0) : 0;
        m_pos += std::min(length, size - m_pos);
        skippedAsFallback();
        return;
    }
    if (skippedAsFallback())
        return;
    flushBytes();
    word(known, hasParameter, parameter);
}

void Reader::controlSymbol(char symbol)
{
    if (symbol == '\'') {
        // Exactly two hex digits make a byte; "\'4x" has none, and its "4x" is read as the
        // text it is. A control byte is no text here either, as in plain text.
        const char *data = m_data.data();
        const qsizetype size = m_data.size();
        const bool twoDigits =
            m_pos + 1 < size && hexValue(data[m_pos]) >= 0 && hexValue(data[m_pos + 1]) >= 0;
        const int value = twoDigits ? hexValue(data[m_pos]) * 16 + hexValue(data[m_pos + 1]) : 0;
        if (twoDigits)
            m_pos += 2;
        if (skippedAsFallback() || !twoDigits || (value < 0x20 && value != '\t'))
            return;
        if (m_state.destination == Destination::Text ||
            (m_state.destination == Destination::FontTable && m_fontBeingNamed >= 0))
            m_bytes += char(value);
        return;
    }
    if (skippedAsFallback())
        return;
    flushBytes();
    switch (symbol) {
    case '{':
    case '}':
    case '\\':
        if (m_state.destination == Destination::FontTable) {
            if (m_fontBeingNamed >= 0)
                m_fontName += QLatin1Char(symbol);
        } else {
            emitChar(char16_t(symbol));
        }
        break;
    case '~':
        emitChar(u'\u00A0');
        break;
    case '_':
        emitChar(u'\u2011');
        break;
    case '*':
        m_destinationBeforeStar = m_state.destination;
        m_starredWordAt = m_pos;
        m_state.destination = Destination::Skip;
        break;
    case '\r':
    case '\n':
        // A backslash before a line break is a paragraph break.
        word(Word::Par, false, 0);
        break;
    default: // \- (optional hyphen), \: (index entry) and unknown symbols are no text
        break;
    }
}

void Reader::word(Word word, bool hasParameter, int parameter)
{
    const Destination destination = m_state.destination;
    if (destination == Destination::Skip)
        return;
    switch (word) {
    case Word::Ansicpg:
        m_codePage = codePageCodec(parameter);
        return;
    case Word::Deff:
        m_defaultFont = parameter;
        return;
    case Word::Uc:
        m_state.unicodeSkip = std::max(parameter, 0);
        return;
    case Word::U:
        if (hasParameter) {
            unicodeCharacter(parameter);
            m_fallbackLeft = m_state.unicodeSkip;
        }
        return;
    case Word::F:
        if (destination == Destination::FontTable) {
            if (m_fontBeingNamed >= 0)
                endFontEntry();
            m_fontBeingNamed = parameter;
            m_fontName.clear();
            m_fonts[parameter]; // known even when its name never comes
        } else {
            m_state.font = parameter;
        }
        return;
    case Word::Fcharset:
        if (destination == Destination::FontTable && m_fontBeingNamed >= 0)
            m_fonts[m_fontBeingNamed].charset = parameter;
        return;
    case Word::Cf:
        m_state.colour = parameter;
        return;
    case Word::Plain:
        m_state.font = -1;
        m_state.colour = 0;
        m_state.fontSize = 0;
        return;
    case Word::Fs:
        m_state.fontSize = parameter > 0 && parameter <= maxHalfPoints ? parameter : 0;
        return;
    case Word::Footnote:
        if (destination == Destination::Text)
            m_state.story = Story::Footnotes;
        return;
    case Word::Ftnalt:
        // \ftnalt inside a \footnote makes it an endnote.
        if (m_state.story == Story::Footnotes)
            m_state.story = Story::Endnotes;
        return;
    case Word::Header:
        if (destination == Destination::Text)
            m_state.story = Story::Headers;
        return;
    case Word::Red:
        m_red = std::clamp(parameter, 0, 255);
        return;
    case Word::Green:
        m_green = std::clamp(parameter, 0, 255);
        return;
    case Word::Blue:
        m_blue = std::clamp(parameter, 0, 255);
        return;
    case Word::Fonttbl:
        m_state.destination = Destination::FontTable;
        m_fontBeingNamed = -1;
        return;
    case Word::Colortbl:
        m_state.destination = Destination::ColorTable;
        m_red = m_green = m_blue = -1;
        return;
    case Word::SkipDestination:
        m_state.destination = Destination::Skip;
        return;
    case Word::Field:
        // Only what the field shows (\fldrslt) is text, not its instruction.
        if (destination == Destination::Text)
            m_state.destination = Destination::FieldSkip;
        return;
    case Word::Fldrslt:
        if (destination == Destination::FieldSkip)
            m_state.destination = Destination::Text;
        return;
    default:
        break;
    }
    if (destination != Destination::Text)
        return;
    bool &cellPending = m_stories[size_t(m_state.story)].cellPending;
    switch (word) {
    case Word::Par:
        cellPending = false;
        emitChar(u'\n');
        break;
    case Word::Row:
        // The row's last cell needs no separator: the row ends the line.
        cellPending = false;
        emitChar(u'\n');
        break;
    case Word::Cell:
        cellPending = true;
        break;
    case Word::Line:
        emitChar(u'\u2028');
        break;
    case Word::Tab:
        emitChar(u'\t');
        break;
    case Word::Emdash:
        emitChar(u'\u2014');
        break;
    case Word::Endash:
        emitChar(u'\u2013');
        break;
    case Word::Lquote:
        emitChar(u'\u2018');
        break;
    case Word::Rquote:
        emitChar(u'\u2019');
        break;
    case Word::Ldblquote:
        emitChar(u'\u201C');
        break;
    case Word::Rdblquote:
        emitChar(u'\u201D');
        break;
    case Word::Bullet:
        emitChar(u'\u2022');
        break;
    default:
        break;
    }
}

QString Reader::decode(int font, const QByteArray &bytes)
{
    QByteArray codec = m_codePage;
    const auto entry = m_fonts.constFind(font < 0 ? m_defaultFont : font);
    if (entry != m_fonts.cend()) {
        if (const char *name = charsetCodec(entry->charset))
            codec = name;
    }
    // Code page 936 as plain text reads it: a lead byte cut off becomes U+FFFD instead of
    // vanishing.
    if (codec == "GBK")
        return decodeCodePage936(bytes);
    auto it = m_decoders.find(codec);
    if (it == m_decoders.end())
        it = m_decoders.try_emplace(codec, codec.constData(), QStringConverter::Flag::Stateless)
                 .first;
    return it->second.decode(bytes);
}

void Reader::unicodeCharacter(int parameter)
{
    // \uN is a signed 16-bit number (\u-3913 is U+F0B7), though some writers give it
    // unsigned; beyond either it is garbage.
    if (parameter < -65535 || parameter > 65535) {
        emitChar(QChar::ReplacementCharacter);
        return;
    }
    const auto unit = char16_t(parameter < 0 ? parameter + 65536 : parameter);
    if (m_state.destination == Destination::FontTable) {
        if (m_fontBeingNamed >= 0)
            m_fontName +=
                QChar::isSurrogate(unit) ? QChar(QChar::ReplacementCharacter) : QChar(unit);
        return;
    }
    if (m_pendingHigh && QChar::isLowSurrogate(unit)) {
        const char16_t pair[] = {m_pendingHigh, unit};
        m_pendingHigh = 0;
        emitText(QStringView(pair, 2));
    } else if (QChar::isHighSurrogate(unit)) {
        emitText({}); // an earlier high surrogate still waiting has lost its partner
        m_pendingHigh = unit;
    } else if (QChar::isLowSurrogate(unit)) {
        emitChar(QChar::ReplacementCharacter);
    } else if (unit >= 0x20 || unit == u'\t') {
        emitChar(unit); // control characters are no text, \u0 included
    }
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const bool ascii = std::all_of(m_bytes.cbegin(), m_bytes.cend(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (m_state.destination == Destination::FontTable)
        m_fontName += ascii ? QString::fromLatin1(m_bytes) : decode(m_fontBeingNamed, m_bytes);
    else if (m_state.destination == Destination::Text)
        emitText(ascii ? QString::fromLatin1(m_bytes) : decode(m_state.font, m_bytes));
    m_bytes.clear();
}

// Every character of the text passes here, so this is where a high surrogate from \uN that
// anything but its low surrogate follows becomes U+FFFD.
void Reader::emitText(QStringView text)
{
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        const char16_t replacement = QChar::ReplacementCharacter;
        emitText(QStringView(&replacement, 1));
    }
    if (m_state.destination != Destination::Text || text.isEmpty())
        return;
    StoryText &story = m_stories[size_t(m_state.story)];
    std::vector<Run> &runs = story.runs;
    if (runs.empty() || runs.back().font != m_state.font || runs.back().colour != m_state.colour ||
        runs.back().fontSize != m_state.fontSize)
        runs.push_back({m_state.font, m_state.colour, m_state.fontSize, {}});
    QString &run = runs.back().text;
    if (story.cellPending) {
        story.cellPending = false;
        run += u'\t';
    }
    run += text;
}

void Reader::endFontEntry()
{
    flushBytes();
    if (m_fontBeingNamed >= 0)
        m_fonts[m_fontBeingNamed].name = m_fontName.trimmed();
    m_fontBeingNamed = -1;
    m_fontName.clear();
}

void Reader::endColourEntry()
{
    // An entry without any component (the table's first) is the automatic colour.
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_colours.emplace_back();
    else
        m_colours.emplace_back(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0));
    m_red = m_green = m_blue = -1;
}

QTextCharFormat Reader::formatOf(const Run &run) const
{
    QTextCharFormat format;
    const auto font = m_fonts.constFind(run.font < 0 ? m_defaultFont : run.font);
    if (font != m_fonts.cend() && !font->name.isEmpty())
        format.setFontFamilies({font->name});
    if (run.colour > 0 && size_t(run.colour) < m_colours.size() && m_colours[run.colour].isValid())
        format.setForeground(m_colours[run.colour]);
    else if (run.colour == 0 && !m_colours.empty() && m_colours[0].isValid())
        format.setForeground(m_colours[0]);
    if (run.fontSize > 0)
        format.setFontPointSize(run.fontSize / 2.0);
    return format;
}

void Reader::build(QTextDocument *document) const
{
    // Loading is no edit to undo; without the undo stack it is also much faster.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    std::map<std::tuple<int, int, int>, QTextCharFormat> formats;
    const auto insert = [&](const Run &run, QStringView text) {
        auto it = formats.find({run.font, run.colour, run.fontSize});
        if (it == formats.end())
            it = formats.emplace(std::tuple(run.font, run.colour, run.fontSize), formatOf(run))
                     .first;
        cursor.insertText(text.toString(), it->second);
    };

    bool lineStart = true; // nothing yet on the current line
    for (const Run &run : m_stories[size_t(Story::Body)].runs) {
        insert(run, run.text);
        if (!run.text.isEmpty())
            lineStart = run.text.endsWith(u'\n');
    }
    // The other stories follow line by line, their empty lines left out.
    for (const Story story : {Story::Footnotes, Story::Headers, Story::Endnotes}) {
        std::vector<std::pair<const Run *, QStringView>> line;
        const auto endLine = [&] {
            if (line.empty())
                return;
            if (!lineStart)
                insert(*line.front().first, u"\n");
            for (const auto &[run, text] : line)
                insert(*run, text);
            lineStart = false;
            line.clear();
        };
        for (const Run &run : m_stories[size_t(story)].runs) {
            bool first = true;
            for (const QStringView piece : QStringView(run.text).tokenize(u'\n')) {
                if (!first)
                    endLine();
                first = false;
                if (!piece.isEmpty())
                    line.emplace_back(&run, piece);
            }
        }
        endLine();
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
}

// --- Writing ---

void appendNumber(QByteArray &out, int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

// Every non-ASCII UTF-16 unit as \uN? with N signed 16-bit, so a surrogate pair becomes two.
void appendEscaped(QByteArray &out, QStringView text)
{
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        switch (c) {
        case u'\\':
            out += "\\\\";
            break;
        case u'{':
            out += "\\{";
            break;
        case u'}':
            out += "\\}";
            break;
        case u'\t':
            out += "\\tab ";
            break;
        case u'\n':
        case QChar::ParagraphSeparator:
            out += "\\par\r\n";
            break;
        case QChar::LineSeparator:
            out += "\\line ";
            break;
        default:
            if (c >= 0x80) {
                out += "\\u";
                appendNumber(out, c > 0x7FFF ? int(c) - 65536 : int(c));
                out += '?';
            } else if (c >= 0x20) {
                out += char(c);
            }
            break;
        }
    }
}

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

} // namespace

bool readRtf(const QByteArray &rtf, QTextDocument *document, QString *error)
{
    qsizetype start = 0;
    while (start < rtf.size() && QChar::isSpace(uchar(rtf[start])))
        ++start;
    if (!QByteArrayView(rtf).sliced(start).startsWith("{\\rtf")) {
        if (error)
            *error = u"The file is not RTF: it does not begin with {\\rtf."_s;
        return false;
    }
    Reader reader(QByteArrayView(rtf).sliced(start));
    reader.parse();
    reader.build(document);
    return true;
}

QByteArray writeRtf(const QTextDocument *document)
{
    // Text without a font of its own is in the document's default font, which becomes \f0.
    QString defaultFamily = document->defaultFont().family();
    if (defaultFamily.isEmpty())
        defaultFamily = u"宋体"_s;
    QStringList fonts{defaultFamily};
    QHash<QString, int> fontIndex{{defaultFamily, 0}};
    QList<QRgb> colours;
    QHash<QRgb, int> colourIndex;
    // Sizes in half-points, as \fsN has them; text without a size of its own is in the
    // document's, which the editor sets, and RTF's own default of 12 points stands in only when
    // the document has none either.
    const auto halfPoints = [](double points) {
        return std::clamp(int(std::lround(points * 2)), 1, maxHalfPoints);
    };
    const double defaultPoints = document->defaultFont().pointSizeF();
    const int defaultSize = defaultPoints > 0 ? halfPoints(defaultPoints) : 24;

    struct Piece {
        int font;
        int colour;
        int size;
        QString text;
    };
    std::vector<Piece> pieces;
    bool firstBlock = true;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!firstBlock) {
            if (pieces.empty())
                pieces.push_back({0, 0, defaultSize, {}});
            pieces.back().text += u'\n';
        }
        firstBlock = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            int font = 0;
            if (const QString family = familyOf(format); !family.isEmpty()) {
                font = fontIndex.value(family, -1);
                if (font < 0) {
                    font = int(fonts.size());
                    fonts += family;
                    fontIndex.insert(family, font);
                }
            }
            int colour = 0;
            if (format.foreground().style() != Qt::NoBrush) {
                const QRgb rgb = format.foreground().color().rgb();
                colour = colourIndex.value(rgb, 0);
                if (colour == 0) {
                    colours += rgb;
                    colour = int(colours.size());
                    colourIndex.insert(rgb, colour);
                }
            }
            const double points = format.fontPointSize();
            const int size = points > 0 ? halfPoints(points) : defaultSize;
            if (pieces.empty() || pieces.back().font != font || pieces.back().colour != colour ||
                pieces.back().size != size)
                pieces.push_back({font, colour, size, {}});
            pieces.back().text += fragment.text();
        }
    }

    QByteArray out;
    qsizetype textLength = 0;
    for (const Piece &piece : pieces)
        textLength += piece.text.size();
    out.reserve(512 + textLength * 8);
    out += "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
    QStringEncoder gbk("GBK");
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        QString name = fonts[i];
        name.remove(u';'); // it would end the name early
        const bool ascii =
            std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
        out += "{\\f";
        appendNumber(out, int(i));
        out += ascii ? "\\fnil\\fcharset0 " : "\\fnil\\fcharset134 ";
        // Non-ASCII names in their own charset's bytes, which every reader understands; a name
        // GBK cannot hold falls back to \uN?.
        const QByteArray bytes = ascii ? QByteArray() : gbk.encode(name);
        if (ascii) {
            appendEscaped(out, name);
        } else if (gbk.hasError()) {
            gbk.resetState();
            appendEscaped(out, name);
        } else {
            for (const char b : bytes) {
                const auto byte = static_cast<unsigned char>(b);
                if (byte < 0x80) {
                    if (byte == '\\' || byte == '{' || byte == '}')
                        out += '\\';
                    out += char(byte);
                } else {
                    static constexpr char hex[] = "0123456789abcdef";
                    out += "\\'";
                    out += hex[byte >> 4];
                    out += hex[byte & 15];
                }
            }
        }
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const QRgb rgb : colours) {
        out += "\\red";
        appendNumber(out, qRed(rgb));
        out += "\\green";
        appendNumber(out, qGreen(rgb));
        out += "\\blue";
        appendNumber(out, qBlue(rgb));
        out += ';';
    }
    out += "}\r\n\\uc1\\pard\\plain ";

    const Piece *last = nullptr;
    for (const Piece &piece : pieces) {
        if (!last || piece.font != last->font || piece.colour != last->colour ||
            piece.size != last->size) {
            out += "\\f";
            appendNumber(out, piece.font);
            out += "\\fs";
            appendNumber(out, piece.size);
            out += "\\cf";
            appendNumber(out, piece.colour);
            out += ' ';
        }
        last = &piece;
        appendEscaped(out, piece.text);
    }
    out += "}\r\n";
    return out;
}

} // namespace quarnex
