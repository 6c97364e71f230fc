#include "filedialog.h"

#include <QFileDialog>
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

QString FileDialog::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList labels;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        labels.append(parts[i]);
    return labels.join(u";;"_s);
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
        const QString filters = qtFilter(Filter);
        const QStringList labels = filters.split(u";;"_s);
        QString selected = labels.value(FilterIndex - 1);
        // The program writes what it is told to; the name is taken as typed, and an existing
        // file is replaced as the user asked.
        chosen =
            save ? QFileDialog::getSaveFileName(parent, DialogTitle, FileName, filters, &selected,
                                                QFileDialog::DontConfirmOverwrite)
                 : QFileDialog::getOpenFileName(parent, DialogTitle, FileName, filters, &selected);
        if (!chosen.isEmpty())
            FilterIndex = int(labels.indexOf(selected)) + 1;
    }
    if (chosen.isEmpty())
        return false;
    FileName = chosen;
    return true;
}

} // namespace quarnex
