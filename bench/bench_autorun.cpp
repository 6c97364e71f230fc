// SPDX-License-Identifier: GPL-3.0-or-later
// The automatic run in the real window and browser against a local endpoint, with the
// product's one-second pause: what a sentence costs beyond that pause.
#include "app/form1.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"
#include "platform/websearchbrowser.h"
#include "resultserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

void automaticRunOverheadPerSentence(benchmark::State &state)
{
    const int sentences = int(state.range(0));
    QString paper;
    for (int i = 0; i < sentences; ++i)
        paper += u"第%1句话说的是城市绿地与居民健康的关系。"_s.arg(i + 1);
    ResultServer server;
    MessageBox::setScripted(true);
    for (auto _ : state) {
        Form1Settings settings;
        settings.searchBase = server.base();
        settings.makeBrowser = [](QObject *parent) { return new WebSearchBrowser(parent); };
        Form1 form(std::move(settings));
        form.show();
        form.RichTextBox1->setText(paper);
        form.Command1->click();
        QElapsedTimer clock;
        clock.start();
        form.Command3->click();
        while (MessageBox::takeShown().isEmpty()) {
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        // Each sentence waits one second after its page before the next is sent.
        state.counters["beyond_pause_ms"] = (seconds - sentences) / sentences * 1000.0;
    }
}
BENCHMARK(automaticRunOverheadPerSentence)
    ->Arg(10)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace
