// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a 100-page thesis PDF: Chinese paragraphs in a CJK font on A4, numbered pages,
// written by Qt's PDF writer (a TeX installation is no part of the set-up), read back as Open
// reads it. Target: under a second.
#include "documents/pdf.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTextDocument>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

QByteArray thesisPdf(int pages, int *written)
{
    QRandomGenerator random(7);
    QString html;
    QTextDocument document;
    document.setDefaultFont(QFont(u"Noto Serif CJK SC"_s, 12));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    // About 1,200 characters a page.
    for (qsizetype characters = 0; characters < qsizetype(pages) * 1200;) {
        QString paragraph;
        for (int sentence = random.bounded(2, 8); sentence > 0; --sentence) {
            for (int i = random.bounded(8, 40); i > 0; --i)
                paragraph += QChar(char16_t(0x4E00 + random.bounded(0x2000)));
            paragraph += random.bounded(4) == 0 ? u'；' : u'。';
        }
        characters += paragraph.size();
        html += u"<p style=\"text-indent:24pt\">"_s + paragraph + u"</p>"_s;
    }
    document.setHtml(html);
    document.print(&writer);
    buffer.close();
    *written = document.pageCount();
    return bytes;
}

void textOfHundredPages(benchmark::State &state)
{
    int pages = 0;
    const QByteArray pdf = thesisPdf(100, &pages);
    qsizetype characters = 0;
    for (auto _ : state) {
        QString text, error;
        if (!pdfText(pdf, &text, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        characters = text.size();
    }
    state.counters["pages"] = pages;
    state.counters["characters"] = double(characters);
}
BENCHMARK(textOfHundredPages)->Unit(benchmark::kMillisecond);

} // namespace
