// SPDX-License-Identifier: GPL-3.0-or-later
#include "filedialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

struct Script {
    bool scripted = false;
    QStringList answers;
};

Script &script()
{
    static Script state;
    return state;
}

} // namespace

void FileDialog::setScripted(bool scripted)
{
    script().scripted = scripted;
    script().answers.clear();
}

void FileDialog::queueAnswer(const QString &path)
{
    script().answers.append(path);
}

bool FileDialog::ShowOpen(QWidget *parent)
{
    return show(parent, false);
}

bool FileDialog::ShowSave(QWidget *parent)
{
    return show(parent, true);
}

bool FileDialog::show(QWidget *parent, bool save)
{
    QString chosen;
    if (script().scripted) {
        if (!script().answers.isEmpty())
            chosen = script().answers.takeFirst();
    } else {
        chosen = showDialog(parent, save);
    }
    if (chosen.isEmpty())
        return false;
    FileName = chosen;
    return true;
}

QString FileDialog::showDialog(QWidget *parent, bool save)
{
    const QStringList parts = Filter.split(u'|');
    QStringList labels;
    QStringList patterns;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        labels.append(parts[i]);
        patterns.append(parts[i + 1]);
    }
    // Saving starts on the entry that matches the name chosen last, so that the folder shows
    // files of its kind; else, and always when opening, on the index left from the last use.
    qsizetype selected = FilterIndex - 1;
    const QString name = save ? QFileInfo(FileName).fileName() : QString();
    for (qsizetype i = 0; !name.isEmpty() && i < patterns.size(); ++i) {
        if (QDir::match(patterns[i], name)) {
            selected = i;
            break;
        }
    }

    QFileDialog dialog(parent, DialogTitle);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Whether to replace a file is decided by the caller, by what the file holds.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(labels);
    // The filter goes first: choosing it in a save dialog rewrites the extension of the name in
    // the box ("src.rtf" became "src.doc"), and the name must start exactly as chosen last.
    if (selected >= 0 && selected < labels.size())
        dialog.selectNameFilter(labels[selected]);
    if (!FileName.isEmpty()) {
        const QFileInfo last(FileName);
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    FilterIndex = int(labels.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().constFirst();
}

} // namespace quarnex
