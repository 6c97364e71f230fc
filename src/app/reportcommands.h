// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/checkfile.h"
#include "check/checkreport.h"

#include <optional>

class QWidget;

namespace quarnex {

class CheckRun;
class FileDialog;
class RichEdit;

namespace reportcommands {

// The filter of the report's save dialog: the HTML page first, then the PDF.
inline constexpr QStringView reportFilter = u"网页文件(*.html)|*.html|PDF 文件(*.pdf)|*.pdf";

// Asks for a name and writes the report there: as a PDF when the name ends in ".pdf", else as
// an HTML page; a name without either ending gets the one of the chosen filter. A file that
// stands there is replaced only when the user says so, and safely; a failed write says why.
void exportReport(QWidget *parent, FileDialog &dialog, const CheckReport &report);

// The filter of the check files' dialogs.
inline constexpr QStringView checkFilter = u"检测结果(*.qxcheck)|*.qxcheck";

// Asks for a name (".qxcheck" added to a bare one) and writes the check there, safely.
void saveCheck(QWidget *parent, FileDialog &dialog, const CheckRun &run, const CheckFile &file);

// Asks for a check file and reads it into the run; the file's paper and window lines, or
// nothing when the user cancelled or the file could not be read (then it says why and the run
// is as it was).
std::optional<CheckFile> openCheck(QWidget *parent, FileDialog &dialog, CheckRun &run);

// Colours each checked sentence of the paper in its band's colour and the rest of the text
// black, the selection kept.
void colourByBand(RichEdit *editor, const CheckReport &report);

} // namespace reportcommands
} // namespace quarnex
