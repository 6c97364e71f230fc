// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportcommands.h"

#include "check/checkrun.h"
#include "documents/document.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/reportpdf.h"
#include "platform/richedit.h"
#include "platform/savefile.h"

#include <QFile>
#include <QFileInfo>

namespace quarnex::reportcommands {
using namespace Qt::StringLiterals;

namespace {

void sayNotSaved(QWidget *parent, const QString &what, const QString &path, const SaveResult &saved)
{
    const QString kept = saved.outcome == SaveOutcome::OldFileKept ? u"原来的文件没有改动。"_s
                                                                   : u"没有写入任何文件。"_s;
    MessageBox::critical(parent, u"无法保存%1“%2”：%3\n%4"_s.arg(what, path, saved.error, kept));
}

} // namespace

void exportReport(QWidget *parent, FileDialog &dialog, const CheckReport &report)
{
    dialog.DialogTitle = u"导出检测报告"_s;
    dialog.Filter = reportFilter.toString();
    if (!dialog.ShowSave(parent))
        return;
    QString path = dialog.FileName;
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool pdf = suffix == u"pdf";
    if (!pdf && suffix != u"html" && suffix != u"htm") {
        pdf = dialog.FilterIndex == 2;
        path += pdf ? u".pdf"_s : u".html"_s;
    }
    if (QFileInfo::exists(path) &&
        MessageBox::question(parent, u"“%1”已经存在。\n\n要替换这个文件吗？"_s.arg(path), {},
                             MessageBox::Answer::No) != MessageBox::Answer::Yes)
        return;
    const QString html = checkReportHtml(report);
    const QByteArray bytes = pdf ? reportPdf(html, reportTitle(report)) : html.toUtf8();
    const SaveResult saved = saveFileSafely(path, bytes);
    if (saved.outcome != SaveOutcome::Written)
        sayNotSaved(parent, u"检测报告"_s, path, saved);
}

void saveCheck(QWidget *parent, FileDialog &dialog, const CheckRun &run, const CheckFile &file)
{
    dialog.DialogTitle = u"保存检测结果"_s;
    dialog.Filter = checkFilter.toString();
    if (!dialog.ShowSave(parent))
        return;
    QString path = dialog.FileName;
    if (QFileInfo(path).suffix().isEmpty())
        path += u"."_s + CheckFile::suffix.toString();
    const SaveResult saved = saveFileSafely(path, writeCheckFile(run, file));
    if (saved.outcome != SaveOutcome::Written)
        sayNotSaved(parent, u"检测结果"_s, path, saved);
}

std::optional<CheckFile> openCheck(QWidget *parent, FileDialog &dialog, CheckRun &run)
{
    dialog.DialogTitle = u"打开检测结果"_s;
    dialog.Filter = checkFilter.toString();
    if (!dialog.ShowOpen(parent))
        return std::nullopt;
    const QString path = dialog.FileName;
    QFile in(path);
    std::optional<QString> fault;
    if (!in.open(QIODevice::ReadOnly))
        fault = in.errorString();
    CheckFile file;
    if (!fault)
        fault = readCheckFile(readBounded(&in), file, run);
    if (fault) {
        MessageBox::critical(parent, u"无法打开检测结果“%1”：%2"_s.arg(path, *fault));
        return std::nullopt;
    }
    return file;
}

void colourByBand(RichEdit *editor, const CheckReport &report)
{
    const QString text = editor->Text();
    const TextRange selection{editor->SelStart(), editor->SelLength()};
    QList<TextRange> red, orange, green;
    // The sentences stand in the text in their order; each is looked for after the one before,
    // so that a sentence repeated in the paper takes its own place.
    qsizetype from = 0;
    for (qsizetype i = 0; i < report.sentences.size(); ++i) {
        const QString &sentence = report.sentences[i];
        const qsizetype at = sentence.isEmpty() ? -1 : text.indexOf(sentence, from);
        if (at < 0)
            continue;
        from = at + sentence.size();
        switch (report.findings.sentences.value(i).band) {
        case Band::Red:
            red.append({at, sentence.size()});
            break;
        case Band::Orange:
            orange.append({at, sentence.size()});
            break;
        case Band::Green:
            green.append({at, sentence.size()});
            break;
        case Band::Grey:
            break;
        }
    }
    editor->colourRanges({{0, text.size()}}, QColor(0, 0, 0), selection);
    editor->colourRanges(red, QColor(bandColour(Band::Red)), selection);
    editor->colourRanges(orange, QColor(bandColour(Band::Orange)), selection);
    editor->colourRanges(green, QColor(bandColour(Band::Green)), selection);
}

} // namespace quarnex::reportcommands
