// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing and marking in the comparator window itself, a 300,000-character paper against a
// 300,000-character reference, then typing and scrolling in the marked paper: a reference that
// repeats a third of the paper, and one sentence repeated on both sides.
#include "app/form2.h"
#include "platform/richedit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <random>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

QString sentence(std::mt19937 &random)
{
    static const char16_t marks[] = {u'。', u'，', u'！', u'？'};
    QString text;
    const int n = std::uniform_int_distribution<int>(10, 40)(random);
    for (int i = 1; i < n; ++i)
        text += QChar(char16_t(0x4E00 + std::uniform_int_distribution<int>(0, 3000)(random)));
    text += QChar(marks[std::uniform_int_distribution<int>(0, 3)(random)]);
    if (std::uniform_int_distribution<int>(0, 9)(random) == 0)
        text += u"\r\n"_s;
    return text;
}

struct Texts {
    QString paper;
    QString reference;
};

// A reference that repeats every third sentence of the paper and fills the rest with its own.
Texts chineseTexts()
{
    std::mt19937 random(7);
    QStringList sentences;
    Texts texts;
    while (texts.paper.size() < 300'000) {
        sentences.append(sentence(random));
        texts.paper += sentences.constLast();
    }
    for (qsizetype i = 0; texts.reference.size() < 300'000; ++i)
        texts.reference += i % 3 == 0 && i < sentences.size() ? sentences.at(i) : sentence(random);
    return texts;
}

// One 19-character sentence repeated to 300,000 characters on both sides: one paragraph that
// is red from end to end once marked.
Texts repeatedTexts()
{
    Texts texts;
    texts.paper = u"城市绿地让居民的生活变得更加健康愉快。"_s.repeated(300'000 / 19 + 1);
    texts.paper.truncate(300'000);
    texts.reference = texts.paper;
    return texts;
}

void compareAndMarkInTheWindow(benchmark::State &state, Texts (*make)())
{
    const Texts texts = make();
    for (auto _ : state) {
        ComparatorTotals totals;
        Form2 form(texts.paper, totals);
        form.show();
        form.RichTextBox2->setText(texts.reference);
        QCoreApplication::processEvents();

        // A keystroke before marking, undone, to tell the editor's own cost from the marks'.
        QElapsedTimer clock;
        clock.start();
        QKeyEvent before(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, u"a"_s);
        QCoreApplication::sendEvent(form.RichTextBox1, &before);
        QCoreApplication::processEvents();
        state.counters["type_unmarked_ms"] = clock.nsecsElapsed() / 1e6;
        form.RichTextBox1->undo();
        QCoreApplication::processEvents();

        clock.restart();
        form.Command1->click();
        QCoreApplication::processEvents();
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);

        // Afterwards: one typed character, then a scroll to the middle, each until painted.
        clock.restart();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, u"a"_s);
        QCoreApplication::sendEvent(form.RichTextBox1, &press);
        QCoreApplication::processEvents();
        state.counters["type_ms"] = clock.nsecsElapsed() / 1e6;
        clock.restart();
        QScrollBar *bar = form.RichTextBox1->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        QCoreApplication::processEvents();
        state.counters["scroll_ms"] = clock.nsecsElapsed() / 1e6;
    }
}
BENCHMARK_CAPTURE(compareAndMarkInTheWindow, chinese, chineseTexts)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compareAndMarkInTheWindow, repeated, repeatedTexts)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
