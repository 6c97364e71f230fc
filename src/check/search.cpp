// SPDX-License-Identifier: GPL-3.0-or-later
#include "search.h"

#include "textterms.h"

#include <QUrl>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// Marks that each become one half-width space, in this order.
constexpr QStringView spacedMarks[] = {
    u"《", u"》", u"【", u"】", u"：", u"“", u"”", u"……", u"（", u"）", u"，",
};

} // namespace

std::optional<Engine> engineFromName(QStringView name)
{
    if (name == u"baidu")
        return Engine::Baidu;
    if (name == u"zhiwang")
        return Engine::Zhiwang;
    if (name == u"longyuan")
        return Engine::Longyuan;
    return std::nullopt;
}

QString searchText(QStringView entry)
{
    const qsizetype dash = entry.indexOf(u'-');
    QString text = trimBlanks(dash < 0 ? entry : entry.sliced(dash + 1));
    text = replaceAll(text, u",", u"，");
    for (QStringView mark : spacedMarks)
        text = replaceAll(text, mark, u" ");
    text = replaceAll(text, u"  ", u" ");
    text = replaceAll(text, u"\"", u" ");
    text = replaceAll(text, u"！", u" ");
    text = replaceAll(text, u"。", u" ");
    return text;
}

bool isBlankSearchText(QStringView text)
{
    return text.isEmpty() || text == u" " || text == u"\uE003";
}

QString queryAddress(Engine engine, QStringView baiduBase, QStringView text)
{
    switch (engine) {
    case Engine::Zhiwang:
        return u"https://kns.cnki.net/kns8s/defaultresult/index?kw="_s + text.toString();
    case Engine::Longyuan:
        return u"http://www.qikan.com.cn/searchArticle/1.html?k="_s + text.toString();
    case Engine::Baidu:
        break;
    }
    return baiduBase.toString() + u"/s?wd="_s + text.toString();
}

QUrl sendableUrl(const QString &readable)
{
    const qsizetype question = readable.indexOf(u'?');
    if (question < 0)
        return QUrl(readable);
    qsizetype valueStart = -1;
    for (qsizetype at = readable.indexOf(u"wd="_s, question); at >= 0;
         at = readable.indexOf(u"wd="_s, at + 1)) {
        if (readable.at(at - 1) == u'?' || readable.at(at - 1) == u'&') {
            valueStart = at + 3;
            break;
        }
    }
    if (valueStart < 0) {
        const qsizetype equals = readable.indexOf(u'=', question);
        if (equals < 0)
            return QUrl(readable);
        valueStart = equals + 1;
    }
    const QByteArray head = QUrl(readable.left(valueStart)).toEncoded();
    return QUrl::fromEncoded(head + QUrl::toPercentEncoding(readable.mid(valueStart)),
                             QUrl::StrictMode);
}

} // namespace quarnex
