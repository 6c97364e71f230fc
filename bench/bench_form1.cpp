// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a paper in the main window: a .docx of 250,000 characters read, shown and laid out
// to its end, as File › Open does it.
#include "app/fonts.h"
#include "app/form1.h"
#include "fakesearchbrowser.h"
#include "platform/richedit.h"
#include "wordfixture.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

void openDocxInTheWindow(benchmark::State &state)
{
    installFontSubstitutions();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"论文.docx"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bench::docx(bench::documentXml(250'000))) < 0 || !file.flush()) {
        state.SkipWithError("cannot write the document");
        return;
    }
    file.close();

    Form1Settings settings;
    settings.makeBrowser = [](QObject *parent) { return new FakeSearchBrowser(parent); };
    Form1 form(std::move(settings));
    form.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        form.openDocument(path);
        state.counters["open_ms"] = double(clock.nsecsElapsed()) / 1e6;
        // The whole document laid out, as scrolling to its end needs, and the view painted.
        benchmark::DoNotOptimize(form.RichTextBox1->document()->documentLayout()->documentSize());
        form.RichTextBox1->viewport()->repaint();
        QCoreApplication::processEvents();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["characters"] = double(form.RichTextBox1->document()->characterCount());
}
BENCHMARK(openDocxInTheWindow)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
