// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace quarnex {

class FileDialog;
class RichEdit;

// The edit commands both windows offer on their paper editor. The clipboard carries plain text
// only: colours and fonts stay behind, and pasted text takes the format at the caret.
namespace edit {

void undo(RichEdit *editor);
void cut(RichEdit *editor);
void copy(RichEdit *editor);
void paste(RichEdit *editor);
void deleteSelection(RichEdit *editor);
void selectAll(RichEdit *editor);

// The filter of the shared file dialog as Save sets it: the .doc, .txt and .rtf entries.
extern const QString documentFilter;
// Open's: the same three first, then .docx, .odt and every file.
extern const QString openFilter;

// Asks for a name, turns the selection black, and writes the editor's content as RTF whatever
// the name: aside first, checked and renamed into place, so a failed write never leaves half a
// file. Replacing a Word or OpenDocument document asks first. A cancelled dialog writes nothing;
// a failed write says so, and whether the old file is still there.
void saveAsRtf(QWidget *parent, FileDialog &dialog, RichEdit *editor);

} // namespace edit
} // namespace quarnex
