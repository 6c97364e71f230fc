// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace quarnex {

namespace {

struct Script {
    bool scripted = false;
    bool succeeds = true;
    QStringList opened;
};

Script &script()
{
    static Script state;
    return state;
}

} // namespace

bool Shell::openUrl(const QString &url)
{
    Script &state = script();
    if (state.scripted) {
        state.opened.append(url);
        return state.succeeds;
    }
    return QDesktopServices::openUrl(QUrl(url));
}

void Shell::setScripted(bool scripted, bool succeeds)
{
    Script &state = script();
    state.scripted = scripted;
    state.succeeds = succeeds;
    state.opened.clear();
}

QStringList Shell::takeOpened()
{
    return std::exchange(script().opened, {});
}

} // namespace quarnex
