// SPDX-License-Identifier: GPL-3.0-or-later
#include "editcommands.h"

#include "documents/rtf.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"
#include "platform/savefile.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextCursor>

namespace quarnex::edit {
using namespace Qt::StringLiterals;

const QString documentFilter =
    u"WORD文档(*.doc)|*.doc|文本文件(*.txt)|*.txt|写字板文件(*.rtf)|*.rtf"_s;
const QString openFilter = documentFilter +
                           u"|Word 2007 文档(*.docx)|*.docx|OpenDocument 文本(*.odt)|*.odt"
                           u"|PDF 文档(*.pdf)|*.pdf"
                           u"|所有文件(*)|*"_s;

namespace {

// A Word 97–2003 file (OLE2), a zip container (.docx, .odt) or a PDF: formats with tables,
// pictures and layout that the RTF written in their place would not keep.
bool holdsRicherDocument(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(8);
    return start == QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") ||
           start.startsWith("PK\x03\x04") || start.startsWith("%PDF-");
}

} // namespace

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
    const QString path = dialog.FileName;
    // An RTF file is replaced without a question, as it always was; a Word or OpenDocument
    // document would lose what RTF cannot hold, so the user decides.
    if (holdsRicherDocument(path) &&
        MessageBox::question(parent,
                             u"“%1”是 Word、OpenDocument 或 PDF 文档。保存会用 RTF 格式的文字替换它，"
                             u"其中的表格、图片和格式都会丢失。\n\n要替换这个文件吗？"_s.arg(path),
                             {}, MessageBox::Answer::No) != MessageBox::Answer::Yes)
        return;
    editor->setSelColor(QColor(0, 0, 0));
    const SaveResult saved = saveFileSafely(path, writeRtf(editor->document()));
    if (saved.outcome == SaveOutcome::Written)
        return;
    const QString kept = saved.outcome == SaveOutcome::OldFileKept ? u"原来的文件没有改动。"_s
                                                                   : u"没有写入任何文件。"_s;
    MessageBox::critical(parent, u"无法保存文件“%1”：%2\n%3"_s.arg(path, saved.error, kept));
}

} // namespace quarnex::edit
