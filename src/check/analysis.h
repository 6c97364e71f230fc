// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quarnex {

// What "进行分析" makes of the editor's plain text (every line break CR LF).
struct Analysis {
    // The kept lines joined by CR LF; empty when no line is kept.
    QString analysedText;
    // The kept lines in text order, untrimmed; joined by CR LF they give analysedText back.
    QStringList sentences;
    // Double-byte characters of analysedText.
    qsizetype characters = 0;
    // The caption of Label1: "本文共 12 字，本次分析共分析出 3 句，请多次点击进行对比！".
    QString caption;
    // One list entry per sentence: "1-" + the trimmed first sentence, and so on.
    QStringList entries;
};

// Cuts the text into sentences: a line break after every "；" "。" "！" "？" and "……" (the
// half-width "!" and "?" become full-width), blanks before a line break dropped, lines made only
// of half-width and ideographic spaces dropped.
// u"第一句。第二句！第三句?" gives 「第一句。」「第二句！」「第三句？」.
Analysis analyse(QStringView editorText);

// The list entry of the sentence with the 0-based index: listEntry(9, u"　甲。") is u"10-甲。".
QString listEntry(qsizetype index, QStringView sentence);

QString analysisCaption(qsizetype characters, qsizetype sentenceCount);

} // namespace quarnex
