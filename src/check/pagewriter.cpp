// SPDX-License-Identifier: GPL-3.0-or-later
#include "pagewriter.h"

namespace quarnex {
using namespace Qt::StringLiterals;

QString escapedText(QStringView plain)
{
    return plain.toString().toHtmlEscaped().replace(u"&quot;"_s, u"\""_s);
}

QString dataToolsValue(QStringView plain)
{
    QString out;
    out.reserve(plain.size());
    for (QChar c : plain) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() < 0x20 || c == u'\'')
            out += u"\\u%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0'));
        else if (c == u'&')
            out += u"&amp;"_s;
        else if (c == u'<')
            out += u"&lt;"_s;
        else if (c == u'>')
            out += u"&gt;"_s;
        else
            out += c;
    }
    return out;
}

QString ResultPageWriter::element(QStringView lowerName) const
{
    return m_form == Form::Body ? lowerName.toString().toUpper() : lowerName.toString();
}

ResultPageWriter &ResultPageWriter::text(QStringView plain)
{
    QString escaped = escapedText(plain);
    // The browser writes a no-break space as an entity in the body it hands over.
    if (m_form == Form::Body)
        escaped.replace(QChar(0xA0), u"&nbsp;"_s);
    m_body += escaped;
    return *this;
}

ResultPageWriter &ResultPageWriter::paragraph(QStringView plain)
{
    m_body += u'<' + element(u"p") + u'>';
    text(plain);
    m_body += u"</"_s + element(u"p") + u'>';
    return *this;
}

ResultPageWriter &ResultPageWriter::highlight(QStringView plain)
{
    m_body += u'<' + element(u"em") + u'>';
    text(plain);
    m_body += u"</"_s + element(u"em") + u'>';
    return *this;
}

ResultPageWriter &ResultPageWriter::result(QStringView title, QStringView url)
{
    const QString div = element(u"div");
    const QString anchor = element(u"a");
    const QString iconClass = m_form == Form::Body ? u"c-tip-icon"_s : u"\"c-tip-icon\""_s;
    m_body += u'<' + div + u" data-tools='{\"title\":\""_s + dataToolsValue(title) +
              u"\",\"url\":\""_s + dataToolsValue(url) + u"\"}'><"_s + anchor + u" class="_s +
              iconClass + u"></"_s + anchor + u"></"_s + div + u'>';
    return *this;
}

ResultPageWriter &ResultPageWriter::markup(QStringView html)
{
    m_body += html;
    return *this;
}

QString ResultPageWriter::document(QStringView title, QStringView css) const
{
    QString head = u"<meta charset=\"utf-8\"><title>"_s + escapedText(title) + u"</title>"_s;
    if (!css.isEmpty())
        head += u"<style>"_s + css.toString() + u"</style>"_s;
    return u"<!DOCTYPE html>\n<html><head>"_s + head + u"</head><body>\n"_s + m_body +
           u"</body></html>\n"_s;
}

} // namespace quarnex
