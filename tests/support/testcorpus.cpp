// SPDX-License-Identifier: GPL-3.0-or-later
#include "testcorpus.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace quarnex::testcorpus {

QString paper()
{
    return u"城市绿地与居民的健康状况密切相关。。我们研究了三个城市的数据！第四句也在这里。"_s;
}

QStringList searchTexts()
{
    return {u"城市绿地与居民的健康状况密切相关 "_s, u"我们研究了三个城市的数据 "_s,
            u"第四句也在这里 "_s};
}

bool write(const QString &folder)
{
    QList<std::pair<QString, QString>> documents;
    for (int n = 1; n <= 5; ++n)
        documents.append({u"绿地%1.txt"_s.arg(n), u"第%1章。今天天气很好，"_s.arg(n) +
                                                      u"城市绿地与居民的健康状况密切相关。"_s +
                                                      u"风吹过田野。"_s});
    for (int n = 1; n <= 3; ++n)
        documents.append({u"数据%1.txt"_s.arg(n), u"引言：我们研究了三个城市的数据，结果如下。"_s});
    documents.append({u"等候.txt"_s, u"他在这里等你。"_s});
    documents.append({u"无关.txt"_s, u"山高水长，风清月明。"_s});

    for (const auto &[name, text] : documents) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            return false;
    }
    return true;
}

} // namespace quarnex::testcorpus
