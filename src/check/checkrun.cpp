// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkrun.h"

#include "numbers.h"
#include "search.h"

#include <QElapsedTimer>
#include <QTimer>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

class QtRunTimer final : public RunTimer {
public:
    QtRunTimer()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            // The callback may start this timer again; take it out first.
            const auto due = std::exchange(m_due, nullptr);
            if (due)
                due();
        });
    }
    void start(qint64 milliseconds, std::function<void()> due) override
    {
        m_due = std::move(due);
        m_timer.start(int(std::clamp<qint64>(milliseconds, 0, INT_MAX)));
    }
    void cancel() override
    {
        m_timer.stop();
        m_due = nullptr;
    }

private:
    QTimer m_timer;
    std::function<void()> m_due;
};

} // namespace

RunClock RunClock::system()
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    return {[started] { return started->elapsed(); },
            [] { return std::unique_ptr<RunTimer>(new QtRunTimer); }};
}

bool isVerificationPage(const PageEnd &page)
{
    // A result page highlights what it found; a verification page has nothing to highlight.
    if (highlightedText(page.body).openTagFound)
        return false;
    constexpr QStringView asked = u"安全验证";
    const bool captchaForm = (page.body.contains(u"<FORM") || page.body.contains(u"<form")) &&
                             page.body.contains(u"captcha", Qt::CaseInsensitive);
    return page.title.contains(asked) || page.body.contains(asked) ||
           page.url.contains(u"captcha", Qt::CaseInsensitive) || captchaForm;
}

CheckRun::CheckRun(RunClock clock, QObject *parent)
    : QObject(parent), m_clock(std::move(clock)), m_pause(m_clock.makeTimer()),
      m_timeout(m_clock.makeTimer())
{}

CheckRun::~CheckRun() = default;

void CheckRun::analysed(const Analysis &analysis, const QString &paper)
{
    m_pause->cancel();
    m_timeout->cancel();
    m_awaiting = false;
    analysedText = analysis.analysedText;
    caption = analysis.caption;
    characters = analysis.characters;
    paperText = paper.isEmpty() ? analysis.analysedText : paper;
    m_outsideBody.reset();
    sentences = analysis.sentences;
    pages = QList<std::optional<SentencePage>>(sentences.size());
    entries = analysis.entries;
    selectedEntry = -1;
    sentenceIndex = 0;
    lastSentIndex = 0;
    scoredCount = 1;
    similaritySum = 0;
    overall = u"0"_s;
    setAutoRun(0);
    results = ResultSlots::forSentences(sentences.size());
    skipListCompare = 1;
}

void CheckRun::setAutoRun(int value)
{
    if (autoRun == value)
        return;
    autoRun = value;
    Q_EMIT autoRunChanged(value == 1);
}

void CheckRun::start()
{
    m_resends = 0;
    m_runStartedAt = m_clock.now();
    m_runStartIndex = sentenceIndex;
    setAutoRun(1);
    compare();
}

void CheckRun::stop()
{
    setAutoRun(0);
}

void CheckRun::end()
{
    m_pause->cancel();
    m_timeout->cancel();
    m_awaiting = false;
    setAutoRun(0);
}

void CheckRun::compare()
{
    pageHtml.clear();
    markedHtml.clear();
    pageText.clear();
    Q_EMIT compareBegins();
    if (skipListCompare == 1)
        selectEntry(0);

    if (paperIsEmpty && paperIsEmpty()) {
        Q_EMIT message(u"请先输入关键字"_s);
        setAutoRun(0);
        Q_EMIT paperFoundEmpty();
        return;
    }
    if (sentenceIndex > sentences.size() - 1) {
        Q_EMIT message(u"本次对比结束！"_s);
        stop();
        return;
    }

    const qsizetype row = selectedEntry;
    const QString text = row >= 0 && row < entries.size() ? searchText(entries[row]) : QString();
    if (isBlankSearchText(text) || skipped(row)) {
        // Nothing is sent for this sentence, so no page may arrive in its name: the enclosing
        // compare's new search for the entry before it is abandoned, or that page would be
        // scored a second time, as this sentence.
        m_awaiting = false;
        m_timeout->cancel();
        Q_EMIT abandonPage();
        // Move on as a sent compare does, so that the next compare reads the next entry.
        lastSentIndex = sentenceIndex;
        ++sentenceIndex;
        const bool moved = selectedEntry != lastSentIndex;
        selectEntry(lastSentIndex);
        // No page will come to carry an automatic run on: carry it on from here, from the event
        // loop, so that a long run of blank entries cannot pile up on the stack.
        if (!moved && autoRun == 1 && !m_awaiting)
            m_pause->start(0, [this] {
                if (autoRun == 1)
                    compare();
            });
        return;
    }

    queryUrl = address ? address(text) : text;
    m_awaiting = true;
    m_timeout->start(pageTimeoutMs, [this] {
        // A page that never finishes loading is a failed one.
        Q_EMIT abandonPage();
        pageEnded({PageEnd::Kind::Failed, {}, {}, {}});
    });
    Q_EMIT navigate(queryUrl);
    if (autoRun != 1)
        Q_EMIT showLine1(progressLine(sentenceIndex + 1, sentences.size()));
    if (!analysedText.isEmpty())
        Q_EMIT colour(sentences[sentenceIndex]);
    lastSentIndex = sentenceIndex;
    ++sentenceIndex;
    selectEntry(lastSentIndex);
}

bool CheckRun::skipped(qsizetype row)
{
    if (!skipTableOfContentsAndReferences || row < 0 || row >= sentences.size())
        return false;
    if (!m_outsideBody)
        m_outsideBody = inTableOfContentsOrReferences(sentences, paperLayout(paperText));
    return row < m_outsideBody->size() && m_outsideBody->at(row);
}

void CheckRun::selectEntry(qsizetype row)
{
    if (row < 0 || row >= entries.size() || selectedEntry == row)
        return;
    selectedEntry = row;
    Q_EMIT entrySelected(row);
    listClick();
}

void CheckRun::entryClicked(qsizetype row)
{
    if (row < 0 || row >= entries.size())
        return;
    selectedEntry = row;
    listClick();
}

void CheckRun::listClick()
{
    sentenceIndex = selectedEntry;
    if (skipListCompare != 1)
        compare();
    skipListCompare = 0;
}

void CheckRun::afterPause(std::function<void()> then)
{
    m_pause->start(qint64(pauseMs * pauseScale), std::move(then));
}

void CheckRun::pageEnded(const PageEnd &page)
{
    m_awaiting = false;
    m_timeout->cancel();
    switch (page.kind) {
    case PageEnd::Kind::Busy:
        // The page of a navigation that a newer one replaced: the sentence last sent goes
        // again, and the divisor, one ahead of the pages scored, is taken back.
        if (autoRun == 1) {
            --scoredCount;
            sentenceIndex = lastSentIndex;
            afterPause([this] { compare(); });
        }
        return;
    case PageEnd::Kind::Failed:
        notRead(true);
        return;
    case PageEnd::Kind::Loaded:
        break;
    }
    if (page.body.isEmpty()) {
        pageHtml.clear();
        pageText.clear();
        if (!sentences.isEmpty())
            Q_EMIT showLine1(progressLine(sentenceIndex, sentences.size()));
        notRead(false);
        return;
    }
    if (isVerificationPage(page)) {
        pageHtml = page.body;
        // Starting again sends the same sentence, once the user has answered the page.
        sentenceIndex = lastSentIndex;
        Q_EMIT showLine1(verificationMessage.toString());
        Q_EMIT verificationShown();
        stop();
        return;
    }
    readPage(page.body);
}

void CheckRun::notRead(bool failed)
{
    if (autoRun != 1) {
        if (failed)
            Q_EMIT showLine1(failedSearchMessage.toString());
        return;
    }
    sentenceIndex = lastSentIndex;
    if (m_resends < maxResends) {
        ++m_resends;
        afterPause([this] { compare(); });
        return;
    }
    m_resends = 0;
    Q_EMIT showLine1(stopMessage.toString());
    stop();
}

void CheckRun::readPage(const QString &body)
{
    pageHtml = body;
    pageText = quarnex::pageText(pageHtml);
    const qsizetype i = sentenceIndex - 1;
    const bool known = i >= 0 && i < sentences.size();
    const PageReading reading = quarnex::readPage(pageHtml, known ? sentences[i] : QString());
    if (known) {
        similaritySum += reading.percent;
        // With the divisor at 0 the figures stay as they were shown.
        if (const auto figure = roundedHundredths(similaritySum, scoredCount)) {
            overall = formatHundredths(*figure);
            Q_EMIT showLine2(similarityLine(reading.percent, overall));
        }
    }
    markedHtml = reading.markedHtml;
    if (results)
        storeResults(*results, i, reading.results);
    if (known && i < pages.size())
        pages[i] = SentencePage{reading.percent, overall, pageEvidence(pageHtml)};
    ++scoredCount;
    m_resends = 0;
    Q_EMIT pageScored(i, reading);
    if (!sentences.isEmpty())
        Q_EMIT showLine1(progressLine(sentenceIndex, sentences.size()));
    if (autoRun != 1)
        return;
    reportProgress();
    if (!reading.answered || skipListCompare != 0) {
        // Most likely the network or a block: stop before the next sentence is sent, so that
        // the message stays and no page is scored against the wrong sentence. The page itself
        // counts; the divisor, one ahead, is taken back.
        if (skipListCompare == 0)
            Q_EMIT showLine1(stopMessage.toString());
        --scoredCount;
        stop();
        return;
    }
    afterPause([this] { compare(); });
}

void CheckRun::reportProgress()
{
    const qsizetype number = sentenceIndex;
    const qsizetype done = number - m_runStartIndex;
    const qsizetype left = sentences.size() - number;
    const qint64 elapsed = m_clock.now() - m_runStartedAt;
    const qint64 msLeft = done > 0 ? elapsed * left / done : 0;
    Q_EMIT progress(number, sentences.size(), overall, msLeft);
}

} // namespace quarnex
