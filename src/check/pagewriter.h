// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

namespace quarnex {

// Writes result pages in the markup that the page reader (page.h) reads: results as a
// data-tools attribute with the title and address followed by the c-tip-icon anchor, highlights
// in EM, and escaped page text. Everything given is plain text and is escaped here, so a title
// or text can never end the markup around it.
//
//   ResultPageWriter page;
//   page.paragraph(u"城市绿地研究……").highlight(u"城市绿地").result(u"标题", u"http://a/1");
//   page.body()
//     → <P>城市绿地研究……</P><EM>城市绿地</EM>
//       <DIV data-tools='{"title":"标题","url":"http://a/1"}'><A class=c-tip-icon></A></DIV>
class ResultPageWriter {
public:
    enum class Form {
        // The body as the browser hands it over: upper-case element names, bare class value.
        Body,
        // A page as a search site serves it (lower-case, quoted class); the browser turns it
        // into the Body form.
        Served,
    };

    explicit ResultPageWriter(Form form = Form::Body) : m_form(form) {}

    ResultPageWriter &text(QStringView plain);
    ResultPageWriter &paragraph(QStringView plain);
    ResultPageWriter &highlight(QStringView plain);
    ResultPageWriter &result(QStringView title, QStringView url);
    // Markup as it stands, for what the writer has no call for (a malformed page, a heading).
    ResultPageWriter &markup(QStringView html);

    const QString &body() const { return m_body; }
    // A whole UTF-8 document with this title (and style sheet, if any) around the body.
    QString document(QStringView title, QStringView css = {}) const;

private:
    QString element(QStringView lowerName) const;

    Form m_form;
    QString m_body;
};

// Plain text escaped for page text: "&", "<", ">" as entities.
QString escapedText(QStringView plain);

// A value of the data-tools JSON inside its single-quoted attribute: the JSON escapes for
// quote, backslash and controls, the apostrophe as \u0027 so that the attribute never needs
// other quotes, and "&", "<", ">" as entities.
QString dataToolsValue(QStringView plain);

} // namespace quarnex
