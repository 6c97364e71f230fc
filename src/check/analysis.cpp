#include "analysis.h"

#include "codepage936.h"
#include "textterms.h"

namespace quarnex
{
using namespace Qt::StringLiterals;
namespace
{

// The replacements that put a line break after every sentence mark, in their order. The
// half-width marks come after their full-width forms, so a mark turned full-width gets one
// line break, not two.
constexpr QStringView sentenceMarks[][2] = {
    {u"；", u"；\r\n"}, {u"。", u"。\r\n"}, {u"！", u"！\r\n"}, {u"!", u"！\r\n"},
    {u"？", u"？\r\n"}, {u"?", u"？\r\n"},  {u"……", u"……\r\n"},
};

// Blanks just before a line break, removed one pass each: up to three spaces of one kind
// vanish, a longer run is only shortened.
constexpr QStringView blanksBeforeBreak[] = {
    u"  \r\n", u" \r\n", u"\u3000\u3000\r\n", u"\u3000\r\n", u"\t\r\n",
};

} // namespace

QString listEntry(qsizetype index, QStringView sentence)
{
    return QString::number(index + 1) + u'-' + trimBlanks(sentence);
}

QString analysisCaption(qsizetype characters, qsizetype sentenceCount)
{
    return u"本文共 "_s + QString::number(characters) + u" 字，本次分析共分析出 "_s +
           QString::number(sentenceCount) + u" 句，请多次点击进行对比！"_s;
}

Analysis analyse(QStringView editorText)
{
    QString text = editorText.toString();
    for (const auto &[mark, replacement] : sentenceMarks)
        text = replaceAll(text, mark, replacement);
    for (QStringView blanks : blanksBeforeBreak)
        text = replaceAll(text, blanks, lineBreak);

    Analysis result;
    for (QStringView line : QStringView(text).tokenize(lineBreak)) {
        if (!isBlankLine(line))
            result.sentences.append(line.toString());
    }
    result.analysedText = result.sentences.join(lineBreak);
    result.characters = countDoubleByte(result.analysedText);
    result.caption = analysisCaption(result.characters, result.sentences.size());
    result.entries.reserve(result.sentences.size());
    for (qsizetype i = 0; i < result.sentences.size(); ++i)
        result.entries.append(listEntry(i, result.sentences[i]));
    return result;
}

} // namespace quarnex
