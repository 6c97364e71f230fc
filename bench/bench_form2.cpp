// Comparing and marking in the comparator window itself: a 300,000-character paper against a
// 300,000-character reference that repeats a third of it, then typing and scrolling in the
// marked paper.
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

void compareAndMarkInTheWindow(benchmark::State &state)
{
    std::mt19937 random(7);
    QStringList sentences;
    QString paper;
    QString reference;
    while (paper.size() < 300'000) {
        sentences.append(sentence(random));
        paper += sentences.constLast();
    }
    for (qsizetype i = 0; reference.size() < 300'000; ++i)
        reference += i % 3 == 0 && i < sentences.size() ? sentences.at(i) : sentence(random);

    for (auto _ : state) {
        ComparatorTotals totals;
        Form2 form(paper, totals);
        form.show();
        form.RichTextBox2->setText(reference);
        QCoreApplication::processEvents();

        QElapsedTimer clock;
        clock.start();
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
BENCHMARK(compareAndMarkInTheWindow)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
