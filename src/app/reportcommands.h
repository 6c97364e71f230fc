// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/checkreport.h"

class QWidget;

namespace quarnex {

class FileDialog;
class RichEdit;

namespace reportcommands {

// The filter of the report's save dialog: the HTML page first, then the PDF.
inline constexpr QStringView reportFilter = u"网页文件(*.html)|*.html|PDF 文件(*.pdf)|*.pdf";

// Asks for a name and writes the report there: as a PDF when the name ends in ".pdf", else as
// an HTML page; a name without either ending gets the one of the chosen filter. A file that
// stands there is replaced only when the user says so, and safely; a failed write says why.
void exportReport(QWidget *parent, FileDialog &dialog, const CheckReport &report);

// Colours each checked sentence of the paper in its band's colour and the rest of the text
// black, the selection kept.
void colourByBand(RichEdit *editor, const CheckReport &report);

} // namespace reportcommands
} // namespace quarnex
