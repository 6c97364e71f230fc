// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QMessageBox>

#include <utility>

using namespace Qt::StringLiterals;

namespace quarnex {

namespace {

struct Script {
    bool messagesScripted = false;
    QList<MessageBox::Answer> answers;
    QList<MessageBox::Shown> shown;
};

Script &script()
{
    static Script state;
    return state;
}

QMessageBox::Icon boxIcon(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

MessageBox::Answer show(QWidget *parent, MessageBox::Icon icon, const QString &text,
                        const QString &title,
                        MessageBox::Answer byDefault = MessageBox::Answer::Yes)
{
    const QString caption = title.isEmpty() ? u"Quarnex"_s : title;
    const bool question = icon == MessageBox::Icon::Question;
    Script &state = script();
    if (state.messagesScripted) {
        state.shown.append({icon, caption, text});
        if (!state.answers.isEmpty())
            return state.answers.takeFirst();
        return question ? MessageBox::Answer::Yes : MessageBox::Answer::Ok;
    }

    QMessageBox box(boxIcon(icon), caption, text,
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (question) {
        box.setDefaultButton(byDefault == MessageBox::Answer::No ? QMessageBox::No
                                                                 : QMessageBox::Yes);
        // Closing the window or pressing Escape declines.
        box.setEscapeButton(QMessageBox::No);
    }
    const int result = box.exec();
    if (!question)
        return MessageBox::Answer::Ok;
    return result == QMessageBox::Yes ? MessageBox::Answer::Yes : MessageBox::Answer::No;
}

} // namespace

MessageBox::Answer MessageBox::information(QWidget *parent, const QString &text,
                                           const QString &title)
{
    return show(parent, Icon::Information, text, title);
}

MessageBox::Answer MessageBox::question(QWidget *parent, const QString &text, const QString &title,
                                        Answer byDefault)
{
    return show(parent, Icon::Question, text, title, byDefault);
}

MessageBox::Answer MessageBox::critical(QWidget *parent, const QString &text, const QString &title)
{
    return show(parent, Icon::Critical, text, title);
}

void MessageBox::setScripted(bool scripted)
{
    Script &state = script();
    state.messagesScripted = scripted;
    state.answers.clear();
    state.shown.clear();
}

void MessageBox::queueAnswer(Answer answer)
{
    script().answers.append(answer);
}

QList<MessageBox::Shown> MessageBox::takeShown()
{
    return std::exchange(script().shown, {});
}

} // namespace quarnex
