// SPDX-License-Identifier: GPL-3.0-or-later
#include "richedit.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace quarnex {

namespace {

// Characters of the document's raw text that the handlers see as one CR LF each: a paragraph
// break, a line break (<br>) and the frame marks around a pasted table, which toPlainText()
// also turns into line breaks.
constexpr bool isBreak(QChar c)
{
    switch (c.unicode()) {
    case QChar::ParagraphSeparator:
    case QChar::LineSeparator:
    case 0xFDD0: // QTextBeginningOfFrame
    case 0xFDD1: // QTextEndOfFrame
        return true;
    default:
        return false;
    }
}

// The map between Text positions and document positions, built from one scan of the document.
// Text has two characters (CR LF) where the document has one, so a Text position less the LFs
// at or before it is the document position. Example: document "ab\u2029c" is Text "ab\r\nc";
// Text 4 ('c') is document 3, and Text 3 (between CR and LF) is document 2, the break itself.
class BreakMap {
public:
    explicit BreakMap(const QTextDocument &document)
    {
        const QString raw = document.toRawText();
        m_documentLength = raw.size();
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (isBreak(raw.at(i))) {
                m_lineFeeds.append(i + m_breaks.size() + 1);
                m_breaks.append(i);
            }
        }
    }

    qsizetype textLength() const { return m_documentLength + m_breaks.size(); }
    qsizetype documentLength() const { return m_documentLength; }

    qsizetype toDocument(qsizetype textPosition) const
    {
        const qsizetype t = std::clamp<qsizetype>(textPosition, 0, textLength());
        return t - (std::upper_bound(m_lineFeeds.cbegin(), m_lineFeeds.cend(), t) -
                    m_lineFeeds.cbegin());
    }

    qsizetype toText(qsizetype documentPosition) const
    {
        return documentPosition +
               (std::lower_bound(m_breaks.cbegin(), m_breaks.cend(), documentPosition) -
                m_breaks.cbegin());
    }

private:
    QList<qsizetype> m_breaks;    // document positions of the breaks, ascending
    QList<qsizetype> m_lineFeeds; // Text positions of their LFs, ascending
    qsizetype m_documentLength = 0;
};

QString withCrLf(const QString &raw)
{
    QString text;
    text.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (isBreak(c))
            text.append(u"\r\n");
        else
            text.append(c);
    }
    return text;
}

// The document positions [first, second) that setSelStart and setSelLength select one after
// the other: a start between CR and LF becomes the CR, and the length counts from there.
std::pair<int, int> documentRange(const BreakMap &map, const TextRange &range)
{
    const qsizetype start = map.toDocument(range.start);
    const qsizetype length = std::max<qsizetype>(range.length, 0);
    return {int(start), int(map.toDocument(map.toText(start) + length))};
}

void select(QTextCursor &cursor, const BreakMap &map, const TextRange &range)
{
    const auto [start, end] = documentRange(map, range);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
}

} // namespace

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent)
{
    // A paper reads black on white whatever the desktop theme; the comparison's colours are
    // chosen against that.
    QPalette colours = palette();
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Base, Qt::white);
    // The selection is drawn pale under the text's own colour, so that a sentence marked red
    // shows red while it is selected.
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight, QColor(0xCC, 0xE4, 0xF7));
        colours.setBrush(group, QPalette::HighlightedText, Qt::NoBrush);
    }
    setPalette(colours);
    setTextColor(Qt::black);
}

QString RichEdit::Text() const
{
    return withCrLf(document()->toRawText());
}

void RichEdit::setText(const QString &text)
{
    QString plain = text;
    plain.replace(u"\r\n"_s, u"\n"_s);
    plain.replace(u'\r', u'\n');

    // Without the editor's current format (the caret may stand in red text), and without
    // leaving a format change for Undo to reveal: the load itself clears the undo history.
    QTextCharFormat black;
    black.setForeground(QColor(Qt::black));
    setUndoRedoEnabled(false);
    setPlainText(plain);
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.setCharFormat(black);
    setCurrentCharFormat(black);
    setUndoRedoEnabled(true);
}

qsizetype RichEdit::SelStart() const
{
    return BreakMap(*document()).toText(textCursor().selectionStart());
}

void RichEdit::setSelStart(qsizetype start)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(BreakMap(*document()).toDocument(start)));
    setTextCursor(cursor);
}

qsizetype RichEdit::SelLength() const
{
    const BreakMap map(*document());
    const QTextCursor cursor = textCursor();
    return map.toText(cursor.selectionEnd()) - map.toText(cursor.selectionStart());
}

void RichEdit::setSelLength(qsizetype length)
{
    const BreakMap map(*document());
    QTextCursor cursor = textCursor();
    select(cursor, map, {map.toText(cursor.selectionStart()), length});
    setTextCursor(cursor);
}

QString RichEdit::SelText() const
{
    return withCrLf(textCursor().selectedText());
}

void RichEdit::setSelColor(const QColor &colour)
{
    QTextCharFormat format;
    format.setForeground(colour);
    mergeCurrentCharFormat(format);
}

void RichEdit::setSelFontName(const QString &family)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    mergeCurrentCharFormat(format);
}

void RichEdit::colourRanges(const QList<TextRange> &ranges, const QColor &colour)
{
    if (!ranges.isEmpty())
        colourRanges(ranges, colour, ranges.constLast());
}

void RichEdit::colourRanges(const QList<TextRange> &ranges, const QColor &colour,
                            const TextRange &selection)
{
    const BreakMap map(*document());
    // The comparison's ranges overlap (sentences sharing text, a sentence inside another) and
    // can number millions, so they are merged first and each character is formatted once:
    // furthest[p] is the furthest end of the ranges that start at document position p.
    std::vector<int> furthest(std::size_t(map.documentLength()), -1);
    for (const TextRange &range : ranges) {
        const auto [start, end] = documentRange(map, range);
        if (end > start)
            furthest[std::size_t(start)] = std::max(furthest[std::size_t(start)], end);
    }
    QTextCharFormat format;
    format.setForeground(colour);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    const int length = int(furthest.size());
    for (int start = 0; start < length;) {
        int end = furthest[std::size_t(start)];
        if (end < 0) {
            ++start;
            continue;
        }
        // Ranges that start inside the run, or right at its end, extend it.
        int next = start + 1;
        for (; next <= end && next < length; ++next)
            end = std::max(end, furthest[std::size_t(next)]);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
        start = next;
    }
    cursor.endEditBlock();

    QTextCursor selected = textCursor();
    select(selected, map, selection);
    setTextCursor(selected);
}

RichEdit::Formats RichEdit::formats() const
{
    Formats formats{document()->characterCount(), {}};
    QList<FormatRun> &runs = formats.runs;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            runs.append({fragment.position(), fragment.length(), fragment.charFormat()});
        }
    }
    return formats;
}

bool RichEdit::setFormats(const Formats &formats)
{
    if (formats.documentLength != document()->characterCount())
        return false;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const FormatRun &run : formats.runs) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
    return true;
}

QColor RichEdit::colourAt(qsizetype position) const
{
    const BreakMap map(*document());
    if (position < 0 || position >= map.textLength())
        return {};
    const int at = int(map.toDocument(position));
    const QTextBlock block = document()->findBlock(at);

    // A cursor reports the format of the character before it, but no cursor stands after a
    // block's closing separator; that separator's format is what the next block calls its own
    // char format.
    QTextCharFormat format;
    if (at == block.position() + block.length() - 1) {
        format = block.next().isValid() ? block.next().charFormat() : block.charFormat();
    } else {
        QTextCursor cursor(document());
        cursor.setPosition(at + 1);
        format = cursor.charFormat();
    }
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color()
                                                            : palette().color(QPalette::Text);
}

} // namespace quarnex
