// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace quarnex {

// The shared open/save dialog. Like the dialog object it stands for, it keeps its settings
// between uses, and the name chosen last is where the next use starts; a cancelled dialog
// leaves the name as it was.
class FileDialog final {
public:
    QString DialogTitle;
    // "Label|pattern|Label|pattern…", e.g. "文本文件(*.txt)|*.txt".
    QString Filter;
    int FilterIndex = 1;
    QString FileName;

    // True when a file was chosen (FileName then holds its full path), false when cancelled.
    bool ShowOpen(QWidget *parent);
    bool ShowSave(QWidget *parent);

    // Test support: while scripted no dialog is shown; each use takes the next queued answer,
    // an empty string meaning Cancel (and Cancel when none is queued).
    static void setScripted(bool scripted);
    static void queueAnswer(const QString &path);

private:
    bool show(QWidget *parent, bool save);
    QString showDialog(QWidget *parent, bool save);
};

} // namespace quarnex
