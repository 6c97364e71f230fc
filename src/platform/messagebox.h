// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace quarnex {

// Every modal message of the program goes through here, so that tests can answer and record
// them. The title is "Quarnex" unless one is given.
class MessageBox final {
public:
    enum class Icon { Information, Question, Critical };
    enum class Answer { Ok, Yes, No };

    struct Shown {
        Icon icon;
        QString title;
        QString text;
    };

    static Answer information(QWidget *parent, const QString &text, const QString &title = {});
    // Yes and No buttons; Enter gives `byDefault` (No where Yes would destroy something).
    static Answer question(QWidget *parent, const QString &text, const QString &title = {},
                           Answer byDefault = Answer::Yes);
    static Answer critical(QWidget *parent, const QString &text, const QString &title = {});

    // Test support: while scripted, no box is shown; each message is recorded and answered with
    // the next queued answer (Ok, or Yes for a question, when none is queued).
    static void setScripted(bool scripted);
    static void queueAnswer(Answer answer);
    static QList<Shown> takeShown();
};

} // namespace quarnex
