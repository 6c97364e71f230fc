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

namespace {

bool writeAll(const QString &folder, const QList<std::pair<QString, QString>> &documents)
{
    for (const auto &[name, text] : documents) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            return false;
    }
    return true;
}

const QStringList fromFirst = {u"绿地系统规划需要兼顾生态效益与社会公平。"_s,
                               u"街区公园的步行可达性直接影响老年人的使用频率。"_s,
                               u"树冠覆盖率较高的社区夏季地表温度明显更低。"_s};
const QString fromSecond = u"问卷调查共回收有效样本四百二十份。"_s;

} // namespace

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
    return writeAll(folder, documents);
}

QString thesis()
{
    QString text = u"摘要\n目录\n第一章 绪论……1\n第二章 方法……5\n参考文献……9\n第一章 绪论\n"_s;
    for (int n = 1; n <= 40; ++n) {
        text += u"第%1组观察表明这片区域在雨季的变化并不相同。"_s.arg(n);
        if (n % 10 == 0)
            text += n == 40 ? fromSecond : fromFirst[n / 10 - 1];
        if (n == 20)
            text += u"\n第二章 方法\n"_s;
    }
    return text + u"\n参考文献\n[1] 王明. 城市绿地研究[J]. 地理学报, 2020.\n"_s;
}

QString thesisCopies()
{
    return fromFirst.join(QString()) + fromSecond;
}

bool writeThesisLibrary(const QString &folder)
{
    return writeAll(
        folder, {
                    {u"甲.txt"_s, u"前言。"_s + fromFirst.join(u"另有说明。"_s) + u"结语。"_s},
                    {u"乙.txt"_s, u"方法部分："_s + fromSecond + u"数据另行公布。"_s},
                    {u"丙.txt"_s,
                     u"绿地、公园、社区、样本、温度、问卷、摘要、目录、参考文献都是常见的词。"_s},
                    {u"丁.txt"_s, u"第一章写背景，第二章写方法；样本很多，观察很久。"_s},
                });
}

} // namespace quarnex::testcorpus
