// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QColor;
class QFont;
class QLabel;
class QString;
class QWidget;

namespace quarnex {

// The windows ask for 宋体 by name, as they were designed; this tells Qt which installed faces
// stand for it. Called once, before the first window is made.
void installFontSubstitutions();

// 宋体 at so many points.
QFont songti(double points);

// A status label of the windows: 宋体 10.5 points in its own colour, top left, named.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption,
                  const QColor &colour, bool wordWrap);

} // namespace quarnex
