#include "editcommands.h"

#include "documents/rtf.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextCursor>

namespace quarnex::edit {
using namespace Qt::StringLiterals;

const QString documentFilter =
    u"WORD文档(*.doc)|*.doc|文本文件(*.txt)|*.txt|写字板文件(*.rtf)|*.rtf"_s;

void undo(RichEdit *editor)
{
    editor->undo();
}

void cut(RichEdit *editor)
{
    copy(editor);
    deleteSelection(editor);
}

void copy(RichEdit *editor)
{
    QString text = editor->SelText();
    text.replace(u"\r\n"_s, u"\n"_s);
    QGuiApplication::clipboard()->setText(text);
}

void paste(RichEdit *editor)
{
    // One edit block, so that a single Undo brings back the text the paste replaced.
    QTextCursor block = editor->textCursor();
    block.beginEditBlock();
    deleteSelection(editor);
    QString text = QGuiApplication::clipboard()->text();
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    editor->insertPlainText(text);
    block.endEditBlock();
}

void deleteSelection(RichEdit *editor)
{
    editor->textCursor().removeSelectedText();
}

void selectAll(RichEdit *editor)
{
    editor->setSelStart(0);
    editor->setSelLength(editor->Text().size());
}

void saveAsRtf(QWidget *parent, FileDialog &dialog, RichEdit *editor)
{
    dialog.DialogTitle = u"请输入文件名"_s;
    dialog.Filter = documentFilter;
    if (!dialog.ShowSave(parent))
        return;
    editor->setSelColor(QColor(0, 0, 0));
    QSaveFile file(dialog.FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(writeRtf(editor->document())) < 0 ||
        !file.commit())
        MessageBox::critical(parent,
                             u"无法保存文件“%1”：%2"_s.arg(file.fileName(), file.errorString()));
}

} // namespace quarnex::edit
