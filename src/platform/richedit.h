// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/textterms.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>

namespace quarnex {

// The paper editor as the handlers see it: Text has every line break as CR LF, and SelStart,
// SelLength and SelColor count in that text. Underneath is a QTextEdit whose document has one
// character per paragraph break; this class maps between the two.
class RichEdit final : public QTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichEdit)

public:
    explicit RichEdit(QWidget *parent = nullptr);

    // The plain text, every paragraph or line break written CR LF; no-break spaces stay.
    QString Text() const;
    // Replaces the whole content by plain text (CR LF, LF or CR breaks), in the current font
    // and black; the caret goes to the start.
    void setText(const QString &text);

    // Setting SelStart moves the caret there and empties the selection; setting SelLength
    // extends the selection from SelStart. Both clamp to the text. A position between the CR
    // and the LF of a break is the break's start: SelStart then reads the CR's position.
    qsizetype SelStart() const;
    void setSelStart(qsizetype start);
    qsizetype SelLength() const;
    void setSelLength(qsizetype length);
    QString SelText() const;
    // Colours the selected text.
    void setSelColor(const QColor &colour);
    // Sets the font of the selected text; with nothing selected, of the text typed next.
    void setSelFontName(const QString &family);

    // Colours every range, mapping all of them in one pass over the text and formatting each
    // character once however many ranges cover it (ranges may come in any order, overlap and
    // repeat). The selection ends on the last range, as if each had been selected and coloured
    // in turn; with nothing to colour nothing changes.
    void colourRanges(const QList<TextRange> &ranges, const QColor &colour);
    // The same, the selection ending on `selection`, as setSelStart and setSelLength leave it.
    void colourRanges(const QList<TextRange> &ranges, const QColor &colour,
                      const TextRange &selection);

    // The character formats as they stand, in runs of document positions, to be put back by
    // setFormats while the text is unchanged (a view that recolours the paper for a while).
    struct FormatRun {
        int position = 0;
        int length = 0;
        QTextCharFormat format;
    };
    struct Formats {
        int documentLength = 0;
        QList<FormatRun> runs;
    };
    Formats formats() const;
    // Puts the formats back in one step of Undo; false, and nothing changed, when the text's
    // length is no longer the one they were taken of.
    bool setFormats(const Formats &formats);

    // The colour of the character at a Text position (for checks and tests); CR and LF both
    // give their break's colour, and a position outside the text an invalid colour. Text that
    // was never coloured is black.
    QColor colourAt(qsizetype position) const;
};

} // namespace quarnex
