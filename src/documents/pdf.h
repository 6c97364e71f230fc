// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QByteArray;

namespace quarnex {

// A word as a PDF's text layer places it: its text, its box in points (y grows downwards) and
// whether a space follows it on its line.
struct PdfWord {
    QString text;
    QRectF box;
    bool spaceAfter = false;
};

// A line of a page, its words already joined.
struct PdfLine {
    QString text;
    QRectF box;
};

struct PdfPage {
    QSizeF size;
    QList<PdfLine> lines; // in reading order
};

// Groups words given in reading order into lines: a word starts a new line when it stands
// left of the one before or beside the line's height. Within a line a space stays where the
// text layer has one, except between two CJK characters (justified Chinese spreads its
// characters apart). Note marks are dropped: a raised word of smaller type holding only digits
// or note signs, as in "健康¹。" → "健康。".
QList<PdfLine> pdfLines(const QList<PdfWord> &words);

// The text of pages as the author wrote it, paragraphs separated by '\n':
// - lines the page width broke are joined: nothing between two CJK characters or next to
//   CJK punctuation, one space between Latin words, and "fol-" + "lows" → "follows";
// - a paragraph ends where the next line is indented, stands further below than the line
//   pitch, is of another type size (a heading), or, at a page or column break, where the
//   line before ends short of the right margin;
// - running headers, footers and page numbers are left out: a line near the top or bottom
//   edge whose text (any number in it counting as the same number) stands at about the same
//   height on at least half of the pages, and at least two; of one page, a number alone;
// - footnotes, the run of smaller type at the foot of a page, are kept, but apart from the
//   body: after it, a line each, so that the body's paragraphs stay whole across the page.
QString pdfPageText(const QList<PdfPage> &pages);

// The text of a PDF document through Poppler, as pdfPageText lays it out. False, with the
// reason for the user, when it is damaged, encrypted or has no text layer (a scan).
bool pdfText(const QByteArray &bytes, QString *text, QString *error);

} // namespace quarnex
