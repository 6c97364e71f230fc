// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/checkreport.h"
#include "platform/reportpdf.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

// Two chapters; a copied sentence, a hostile one, one not checked.
CheckReport sampleReport()
{
    const QString text = u"第一章 绪论\r\n城市绿地系统规划。<script>alert(1)</script>。\r\n"
                         u"第二章 方法\r\n尚未检索的句子。"_s;
    CheckReport report;
    report.paperName = u"论文<1>.docx"_s;
    report.layout = paperLayout(text);
    report.sentences = {u"第一章 绪论"_s, u"城市绿地系统规划。"_s, u"<script>alert(1)</script>。"_s,
                        u"第二章 方法"_s, u"尚未检索的句子。"_s};
    const ResultText copied{{u"绿地<img src=x onerror=1>"_s, u"http://a/1?x=\"y\""_s},
                            u"城市绿地系统规划"_s};
    const ResultText hostile{{u"脚本"_s, u"javascript:alert(1)"_s}, u"城市绿地系统规划"_s};
    QList<std::optional<PageEvidence>> pages(report.sentences.size());
    pages[1] = PageEvidence{{u"城市绿地系统规划"_s}, {copied, hostile}};
    pages[2] = PageEvidence{{}, {}};
    report.findings = paperFindings(report.sentences, report.layout, pages);
    report.overall = u"0.67"_s;
    report.checkedSentences = 2;
    report.slots = ResultSlots::forSentences(report.sentences.size());
    storeResults(report.slots, 1, {copied.result, hostile.result});
    return report;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TstCheckReport final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pageIsSelfContainedAndEscaped();
    void pdfHoldsTheReport();
};

void TstCheckReport::pageIsSelfContainedAndEscaped()
{
    const CheckReport report = sampleReport();
    const QString html = checkReportHtml(report);
    // Nothing runs, nothing is fetched, nothing of the page's or the paper's markup survives.
    for (const QString &absent : {u"<script"_s, u"<img"_s, u"javascript:"_s, u" src="_s, u"<link"_s,
                                  u"@import"_s, u"url("_s, u"<1>"_s})
        QVERIFY2(!html.contains(absent, Qt::CaseInsensitive), qPrintable(absent));
    QVERIFY(html.contains(u"&lt;script&gt;alert(1)&lt;/script&gt;。"_s));
    QVERIFY(html.contains(u"<title>检测报告：论文&lt;1&gt;.docx</title>"_s));
    // The figures: 9 red characters of 6 + 9 + 26 + 6 + 8 = 55.
    QVERIFY(html.contains(u"<b>16.36%</b>"_s));
    QVERIFY(html.contains(u"<b>0.67%</b>"_s));
    QVERIFY(html.contains(u"<b>2 / 5</b>"_s));
    // Ratios keep both decimals, so the chapter column lines up.
    QVERIFY(html.contains(u">0.00%</td>"_s));
    // The copied sentence in red with its coverage, followed by its one web source.
    QVERIFY(html.contains(u"color:"_s + bandColour(Band::Red) +
                          u";background-color:#fde2e2\">城市绿地系统规划。</span><sup"_s));
    QVERIFY(html.contains(u"[89%]"_s));
    QCOMPARE(html.count(u"<a href=\"http://a/1?x=&quot;y&quot;\">绿地</a>"_s), 3);
    // A page per chapter after the first, and one for the similar websites.
    QCOMPARE(html.count(u"page-break-before:always"_s), 2);
}

void TstCheckReport::pdfHoldsTheReport()
{
    const CheckReport report = sampleReport();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.pdf"_s);
    const QByteArray pdf = reportPdf(checkReportHtml(report), u"检测报告"_s);
    QVERIFY(pdf.startsWith("%PDF-"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
    file.close();
    const QString info = run(u"pdfinfo"_s, {path});
    const QRegularExpression pages(u"Pages:\\s+(\\d+)"_s);
    QCOMPARE(pages.match(info).captured(1), u"3"_s);
    const QString text = run(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, path, u"-"_s});
    for (const QString &present :
         {u"复制比（全文）"_s, u"城市绿地系统规划。"_s, u"第二章 方法"_s, u"相似网站"_s})
        QVERIFY2(text.contains(present), qPrintable(present));
}

QTEST_MAIN(TstCheckReport)
#include "tst_checkreport.moc"
