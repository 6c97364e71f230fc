// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis.h"

#include "codepage936.h"
#include "textterms.h"

namespace quarnex {
using namespace Qt::StringLiterals;
namespace {

constexpr bool endsSentence(QChar c)
{
    return c == u'；' || c == u'。' || c == u'！' || c == u'？';
}

// Blanks left just before a line break are removed by five replacements, one pass each, in
// this order: two spaces, one space, two ideographic spaces, one ideographic space, a tab.
// Each pass can match only at the end of the blanks before a break, so on one line they come
// to this: up to three spaces of one kind vanish, a longer run is only shortened.
void dropBlanksBeforeBreak(QString &text, qsizetype lineStart)
{
    const auto endsWith = [&](QChar blank, qsizetype count) {
        if (text.size() - lineStart < count)
            return false;
        for (qsizetype i = 1; i <= count; ++i) {
            if (text[text.size() - i] != blank)
                return false;
        }
        return true;
    };
    for (QChar blank : {QChar(u' '), QChar(ideographicSpace)}) {
        if (endsWith(blank, 2))
            text.chop(2);
        if (endsWith(blank, 1))
            text.chop(1);
    }
    if (endsWith(u'\t', 1))
        text.chop(1);
}

} // namespace

QString listEntry(qsizetype index, QStringView sentence)
{
    const QString number = QString::number(index + 1);
    const QStringView trimmed = trimmedBlanks(sentence);
    QString entry;
    entry.reserve(number.size() + 1 + trimmed.size());
    entry.append(number).append(u'-').append(trimmed);
    return entry;
}

QString analysisCaption(qsizetype characters, qsizetype sentenceCount)
{
    return u"本文共 "_s + QString::number(characters) + u" 字，本次分析共分析出 "_s +
           QString::number(sentenceCount) + u" 句，请多次点击进行对比！"_s;
}

Analysis analyse(QStringView editorText)
{
    // One scan does what the replacements do one after the other: a line break after every
    // "；" "。" "！" "？" and every pair of "…" (the half-width "!" and "?" written full-width),
    // blanks before the text's own line breaks dropped, blank lines left out. The kept lines
    // go straight into analysedText.
    Analysis result;
    QString &joined = result.analysedText;
    joined.reserve(editorText.size() + editorText.size() / 8);
    QList<qsizetype> lineStarts;
    qsizetype lineStart = 0;
    const auto endLine = [&] {
        if (isBlankLine(QStringView(joined).sliced(lineStart))) {
            joined.truncate(lineStart);
            return;
        }
        lineStarts.append(lineStart);
        joined += lineBreak;
        lineStart = joined.size();
    };

    const qsizetype n = editorText.size();
    // Ordinary characters are copied a run at a time, up to the next mark or break.
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        joined += editorText.sliced(runStart, end - runStart);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = editorText[i];
        const QChar next = i + 1 < n ? editorText[i + 1] : QChar();
        if (c == u'\r' && next == u'\n') {
            flushRun(i);
            // Only the text's own breaks can have blanks before them: an inserted break
            // always follows its mark.
            dropBlanksBeforeBreak(joined, lineStart);
            endLine();
            runStart = ++i + 1;
        } else if (endsSentence(c)) {
            flushRun(i + 1);
            endLine();
            runStart = i + 1;
        } else if (c == u'!' || c == u'?') {
            flushRun(i);
            joined += c == u'!' ? u'！' : u'？';
            endLine();
            runStart = i + 1;
        } else if (c == u'…' && next == u'…') {
            flushRun(i + 2);
            endLine();
            runStart = ++i + 1;
        }
    }
    flushRun(n);
    if (!isBlankLine(QStringView(joined).sliced(lineStart)))
        lineStarts.append(lineStart);
    else
        joined.truncate(lineStart > 0 ? lineStart - lineBreak.size() : 0);

    result.sentences.reserve(lineStarts.size());
    for (qsizetype k = 0; k < lineStarts.size(); ++k) {
        const qsizetype end =
            k + 1 < lineStarts.size() ? lineStarts[k + 1] - lineBreak.size() : joined.size();
        result.sentences.append(joined.sliced(lineStarts[k], end - lineStarts[k]));
    }
    result.characters = countDoubleByte(joined);
    result.caption = analysisCaption(result.characters, result.sentences.size());
    result.entries.reserve(result.sentences.size());
    for (qsizetype i = 0; i < result.sentences.size(); ++i)
        result.entries.append(listEntry(i, result.sentences[i]));
    return result;
}

} // namespace quarnex
