// SPDX-License-Identifier: GPL-3.0-or-later
#include "textterms.h"

namespace quarnex {

QString trimBlanks(QStringView text)
{
    return trimmedBlanks(text).toString();
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmedBlank(text[begin]))
        ++begin;
    while (end > begin && isTrimmedBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isBlankLine(QStringView text)
{
    for (QChar c : text) {
        if (!isTrimmedBlank(c))
            return false;
    }
    return true;
}

QString replaceAll(const QString &text, QStringView from, QStringView to)
{
    if (from.isEmpty())
        return text;
    qsizetype hit = text.indexOf(from);
    if (hit < 0)
        return text;
    QString out;
    out.reserve(text.size() + (to.size() > from.size() ? text.size() / 8 : 0));
    qsizetype done = 0;
    while (hit >= 0) {
        out.append(QStringView(text).sliced(done, hit - done));
        out.append(to);
        done = hit + from.size();
        hit = text.indexOf(from, done);
    }
    out.append(QStringView(text).sliced(done));
    return out;
}

} // namespace quarnex
