// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis.h"
#include "findings.h"
#include "page.h"
#include "results.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quarnex {

// One timer of a run. The product runs it on QTimer; tests fire it by hand.
class RunTimer {
public:
    virtual ~RunTimer() = default;
    // Calls `due` once after so many milliseconds, replacing what was pending.
    virtual void start(qint64 milliseconds, std::function<void()> due) = 0;
    virtual void cancel() = 0;
};

// Where a run takes its time from: a clock that never runs backwards, in milliseconds, and
// its timers.
struct RunClock {
    std::function<qint64()> now;
    std::function<std::unique_ptr<RunTimer>()> makeTimer;
    // The steady clock and QTimer.
    static RunClock system();
};

// How the browser ended the navigation of the last address sent.
struct PageEnd {
    enum class Kind {
        // The page was read; its body may be empty.
        Loaded,
        // A newer navigation was under way: the page was not read.
        Busy,
        // The navigation failed: no connection, an HTTP error status.
        Failed,
    };
    Kind kind = Kind::Loaded;
    QString body;
    // Where the page ended up and its title, as far as the browser knows them.
    QString url;
    QString title;
};

// What the last page read for a sentence showed.
struct SentencePage {
    qint64 percent = 0;
    // The overall figure as this page left it.
    QString overall;
    PageEvidence evidence;
};

// The check of a paper, sentence by sentence, with the rules of a run in one place: the
// compare that sends a sentence and moves the indexes on, the page that is scored into the
// sentence's figure and the overall figure (whose divisor starts at one), the automatic run
// that sends the next sentence a second after each page, sends a sentence again after a page
// that was not read, and stops at the end of the list, on a page without highlight or after
// repeated failed searches.
//
// The window and the command line tell it what happened (an analysis, a compare, a list
// click, start, stop, a page's end) and show what it asks for through its signals. It keeps
// the list's selection itself and asks the view to mirror it. Nothing waits inside a call: the
// pause and the time-out are timers.
class CheckRun final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckRun)

public:
    static constexpr int pauseMs = 1000;
    static constexpr int pageTimeoutMs = 120000;
    // Failed searches of one sentence that an automatic run sends again before it stops.
    static constexpr int maxResends = 3;

    explicit CheckRun(RunClock clock = RunClock::system(), QObject *parent = nullptr);
    ~CheckRun() override;

    // The readable address of a search text; the window asks its engine menu.
    std::function<QString(const QString &searchText)> address;
    // Whether the paper is empty, asked at every compare.
    std::function<bool()> paperIsEmpty;
    // Scales the pause between pages: 0 sends at once (the command line's --pause 0).
    double pauseScale = 1.0;

    // The check state.
    QStringList sentences;
    QStringList entries;
    QString analysedText;
    // The analysis's caption and character count, for saving the check.
    QString caption;
    qsizetype characters = 0;
    qsizetype sentenceIndex = 0;
    qsizetype lastSentIndex = 0;
    // The selected list entry, -1 for none.
    qsizetype selectedEntry = -1;
    QString queryUrl;
    int skipListCompare = 1;
    int autoRun = 0;
    qint64 similaritySum = 0;
    qint64 scoredCount = 0;
    // The result slots in gathering order; absent before the first analysis.
    std::optional<ResultSlots> results;
    QString pageHtml;
    QString pageText;
    QString markedHtml;
    // The overall figure as last shown, "0" before any page.
    QString overall = QStringLiteral("0");
    // The paper as it stood when analysed (CR LF line breaks), for its chapters; the analysed
    // text when the caller gave none.
    QString paperText;
    // Per sentence, what its last read page showed; absent for a sentence without one.
    QList<std::optional<SentencePage>> pages;
    // Passes over the sentences of the table of contents and the references as over blank
    // ones, so that none of them is sent. Read at each compare.
    bool skipTableOfContentsAndReferences = false;

    // Events.
    void analysed(const Analysis &analysis, const QString &paper = {});
    void compare();
    // The user clicked entry `row` of the list (also the one already selected).
    void entryClicked(qsizetype row);
    void start();
    void stop();
    void pageEnded(const PageEnd &page);
    // The view is going away: nothing pending is sent any more.
    void end();

    // A sentence is on its way and no page has come for it yet.
    bool awaitingPage() const { return m_awaiting; }

Q_SIGNALS:
    // Every compare begins with these: the page on display emptied, the compare layout.
    void compareBegins();
    // The compare found the paper empty: back to the editing layout.
    void paperFoundEmpty();
    void message(const QString &text);
    void navigate(const QString &url);
    // Stop loading: the page on its way is no longer wanted.
    void abandonPage();
    void showLine1(const QString &caption);
    void showLine2(const QString &caption);
    void colour(const QString &sentence);
    void entrySelected(qsizetype row);
    void autoRunChanged(bool running);
    // The search site asks for a human check: the page is to be shown so that it can be answered.
    void verificationShown();
    // A page read for the sentence with the 0-based index.
    void pageScored(qsizetype sentence, const PageReading &reading);
    // After each page of an automatic run: the 1-based number of its sentence, the sentence
    // count, the overall figure and the estimated time left.
    void progress(qsizetype number, qsizetype total, const QString &overall, qint64 msLeft);

private:
    void setAutoRun(int value);
    void selectEntry(qsizetype row);
    void listClick();
    void readPage(const QString &body);
    void notRead(bool busy);
    void afterPause(std::function<void()> then);
    void reportProgress();
    bool skipped(qsizetype row);

    RunClock m_clock;
    std::unique_ptr<RunTimer> m_pause;
    std::unique_ptr<RunTimer> m_timeout;
    bool m_awaiting = false;
    int m_resends = 0;
    qint64 m_runStartedAt = 0;
    qsizetype m_runStartIndex = 0;
    // Which sentences lie in the table of contents or the references; worked out at the first
    // compare that needs it.
    std::optional<QList<bool>> m_outsideBody;
};

// The search site's human-verification page instead of results: its title or body asks for
// "安全验证", or its address or a form is a captcha.
bool isVerificationPage(const PageEnd &page);

// Label1 while a run waits for the user to answer the verification page.
inline constexpr QStringView verificationMessage =
    u"搜索引擎要求验证：请在下方完成验证后，点击“启动自动对比”继续。";
inline constexpr QStringView stopMessage = u"网络不给力，自动对比已经暂停！";
inline constexpr QStringView failedSearchMessage = u"检索失败，请检查网络后再试。";

} // namespace quarnex
