// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QStringList>

namespace quarnex {
using namespace Qt::StringLiterals;

void installFontSubstitutions()
{
    // A Song face with its compact line height keeps the three lines of the similarity label
    // inside the label, as they were designed.
    QFont::insertSubstitutions(
        u"宋体"_s, {u"AR PL UMing CN"_s, u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s});
}

QFont songti(double points)
{
    QFont font(u"宋体"_s);
    font.setPointSizeF(points);
    return font;
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption,
                  const QColor &colour, bool wordWrap)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(songti(10.5));
    label->setWordWrap(wordWrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace quarnex
