// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "findings.h"
#include "results.h"

#include <QString>
#include <QStringList>

namespace quarnex {

// Everything the report of one check shows.
struct CheckReport {
    // The paper's file name, or empty for text typed into the editor.
    QString paperName;
    QStringList sentences;
    PaperLayout layout;
    PaperFindings findings;
    // The running overall similarity of the check, as the window shows it ("8.33").
    QString overall;
    // Pages read and scored.
    qsizetype checkedSentences = 0;
    // The result slots as the run left them; the report counts them itself.
    ResultSlots slots;
};

class CheckRun;

// The report of a run as it stands: its paper, what its pages showed and its figures.
CheckReport checkReport(const CheckRun &run, const QString &paperName = {});

// One self-contained HTML page: no script, no outside resource, every text escaped. The
// figures, a bar of bands along the paper, a table per section, the paper with each sentence
// in its band's colour, sources after the red and orange ones, and the similar websites. Its
// styles are inline where the PDF writer needs them, so that both read the same.
QString checkReportHtml(const CheckReport &report);

// "检测报告：论文.docx", or "检测报告" for a paper without a name.
QString reportTitle(const CheckReport &report);

// The colour a band's sentences are written in, "#rrggbb".
QString bandColour(Band band);

// The percent of hundredths as the report writes it: 2571 → "25.71%".
QString percentText(qint64 hundredths);

} // namespace quarnex
