// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and saving RTF papers: a 1 MB file as word processors write Chinese (\uN with GBK
// fallbacks and plain \'hh runs, colour changes), and saving a 250,000-character paper with
// its repeated sentences coloured.
#include "documents/rtf.h"
#include "randomtext.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

QByteArray rtfOfAbout(qsizetype bytes)
{
    QRandomGenerator random(11);
    QStringEncoder gbk("GBK");
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\uc2\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}{\\f1\\froman\\fcharset0 Times New Roman;}}\r\n"
                     "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
                     "\\pard\\plain\\f0\\fs21 "_ba;
    int count = 0;
    while (rtf.size() < bytes) {
        const QString text = bench::randomSentence(random, 8, 40);
        rtf += (++count % 3 == 0) ? "\\cf2 "_ba : "\\cf1 "_ba;
        if (count % 2 == 0) {
            // Word's form: each character as \uN followed by its two GBK bytes.
            for (const QChar c : text) {
                rtf += "\\u" + QByteArray::number(c.unicode());
                for (const char byte : QByteArray(gbk.encode(QStringView(&c, 1))))
                    rtf += "\\'" + QByteArray::number(uchar(byte), 16);
            }
        } else {
            for (const char byte : QByteArray(gbk.encode(text)))
                rtf += "\\'" + QByteArray::number(uchar(byte), 16);
        }
        if (count % 10 == 0)
            rtf += "\\par\r\n";
    }
    return rtf + '}';
}

void readOneMegabyte(benchmark::State &state)
{
    const QByteArray rtf = rtfOfAbout(1 << 20);
    for (auto _ : state) {
        QTextDocument document;
        readRtf(rtf, &document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(readOneMegabyte)->Unit(benchmark::kMillisecond);

void writeColouredPaper(benchmark::State &state)
{
    QRandomGenerator random(5);
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat plain;
    plain.setFontFamilies({u"宋体"_s});
    QTextCharFormat marked = plain;
    marked.setForeground(Qt::red);
    int count = 0;
    while (document.characterCount() < 250000) {
        cursor.insertText(bench::randomSentence(random, 8, 40), ++count % 3 == 0 ? marked : plain);
        if (count % 12 == 0)
            cursor.insertBlock();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(writeRtf(&document));
    state.counters["characters"] = document.characterCount();
}
BENCHMARK(writeColouredPaper)->Unit(benchmark::kMillisecond);

} // namespace
