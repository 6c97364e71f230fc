// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/form2.h"
#include "app/listbox.h"
#include "app/translations.h"
#include "check/checkreport.h"
#include "check/pagewriter.h"
#include "documents/rtf.h"
#include "fakesearchbrowser.h"
#include "manualclock.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"
#include "platform/shell.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <memory>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

const QString base = u"http://search.test"_s;
const QColor red(255, 0, 0);
const QColor black(0, 0, 0);

const QString query = base + u"/s?wd="_s;

// A result page body in the form the browser hands over: enough page text to be scored,
// one highlighted fragment, and one result per title.
QString resultPage(const QString &highlight, const QStringList &titles = {},
                   qsizetype pageCharacters = 600)
{
    ResultPageWriter page;
    page.markup(u"<DIV>").text(QString(pageCharacters, u'文')).markup(u"</DIV>");
    if (!highlight.isNull())
        page.highlight(highlight);
    for (const QString &title : titles)
        page.result(title, u"http://r.test/"_s + title);
    return page.body();
}

// The text of the one message box shown since the last call, or how many there were.
QString shownMessage()
{
    const auto shown = MessageBox::takeShown();
    return shown.size() == 1 ? shown[0].text : u"%1 messages"_s.arg(shown.size());
}

} // namespace

class TstForm1 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void startsIdleWithBaiduCheckedAndSwitchesEngines();
    void manualComparesReachTheRunAndShowItsLines();
    void automaticRunStartsStopsAndEnds();
    void colouringAndTheBlackReset();
    void layoutWorkedExample();
    void exitUpdateAndClosing();
    void newOpenAndSave();
    void undoRightAfterOpenKeepsTheFileAsRead();
    void saveAsksBeforeReplacingAWordDocument();
    void saveOnAFullDiskKeepsTheOldFileAndSaysSo();
    void editCommandsAndContextMenu();
    void qtDialogsSpeakChinese();
    void reportExportBandColoursAndSkipping();
    void savedCheckOpensAsItWas();

private:
    void analyse(const QString &text);
    void click(QPushButton *button);
    void clickEntry(int row);

    std::unique_ptr<Form1> form;
    FakeSearchBrowser *browser = nullptr;
    // The run's pauses pass when the test says so.
    ManualClock clock;
};

void TstForm1::init()
{
    MessageBox::setScripted(true);
    MessageBox::takeShown();
    FileDialog::setScripted(true);
    Shell::setScripted(true);
    Shell::takeOpened();
    Form1Settings settings;
    settings.searchBase = base;
    settings.updatePage = u"http://maker.test/update"_s;
    settings.clock = clock.runClock();
    QList<FakeSearchBrowser *> made;
    settings.makeBrowser = [&made](QObject *parent) {
        made.append(new FakeSearchBrowser(parent));
        return made.last();
    };
    form = std::make_unique<Form1>(std::move(settings));
    browser = made.first();
    browser->finish(QString()); // the blank start page
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void TstForm1::analyse(const QString &text)
{
    form->RichTextBox1->setText(text);
    click(form->Command1);
}

void TstForm1::click(QPushButton *button)
{
    QVERIFY(button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

void TstForm1::clickEntry(int row)
{
    ListBox *list = form->List1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

void TstForm1::startsIdleWithBaiduCheckedAndSwitchesEngines()
{
    QCOMPARE(form->Label1->text(), u"请点击“分析”开始解析论文！"_s);
    QVERIFY(form->Command3->isVisible() && !form->Command4->isVisible());
    QVERIFY(form->baidu->isChecked() && !form->longyuan->isChecked() &&
            !form->zhiwang->isChecked());
    QVERIFY(!form->gengxin->isVisible() && !form->List1->isVisible() &&
            !form->WebBrowser1->view()->isVisible());
    QCOMPARE(browser->navigations, QStringList{u"about:blank"_s});
    QVERIFY(form->RichTextBox1->hasFocus());
    QVERIFY(form->WebBrowser1->Silent());

    // The engine menu checks one entry, and the next search goes there.
    analyse(u"第一句。"_s);
    form->zhiwang->trigger();
    QVERIFY(form->zhiwang->isChecked() && !form->baidu->isChecked());
    form->zhiwang->trigger();
    QVERIFY(form->zhiwang->isChecked());
    click(form->Command2);
    QCOMPARE(browser->navigations.last(),
             u"https://kns.cnki.net/kns8s/defaultresult/index?kw=第一句 "_s);
    click(form->Command6);
    QVERIFY(form->comparator() && form->comparator()->isVisible());
}

// The run's rules are its own; here only that the window hands it its events and shows what
// it asks for.
void TstForm1::manualComparesReachTheRunAndShowItsLines()
{
    analyse(u"第一句。……第三句?"_s);
    QCOMPARE(form->Label1->text(), u"本文共 10 字，本次分析共分析出 3 句，请多次点击进行对比！"_s);
    QCOMPARE(form->List1->item(2)->text(), u"3-第三句？"_s);
    QVERIFY(!form->Label2->isVisible());
    click(form->Command2);
    QCOMPARE(browser->navigations.last(), query + u"第一句 "_s);
    QVERIFY(form->List1->isVisible() && form->Label2->isVisible() &&
            form->WebBrowser1->view()->isVisible());
    QCOMPARE(form->List1->toolTip(), u"第一句。"_s);
    QCOMPARE(form->Label1->text(), u"现在正在对比第 1 句！共 3 句。"_s);
    browser->finish(resultPage(QString(100, u'高'), {u"甲"_s, u"乙"_s}));
    QCOMPARE(form->Label2->text(), u"本句相似度：8%\r\n\r\n目前总体相似度：8%"_s);

    // The blank entry sends nothing: the search it abandons on the way is stopped.
    click(form->Command2);
    QCOMPARE(form->List1->currentRow(), 1);
    QVERIFY(!browser->pending());
    clickEntry(2);
    QCOMPARE(browser->navigations.last(), query + u"第三句？"_s);
    browser->fail();
    QCOMPARE(form->Label1->text(), u"检索失败，请检查网络后再试。"_s);

    const QString frame = u"<br><br><br><br><br><table>"_s;
    click(form->Command5);
    QVERIFY(browser->written.startsWith(frame + u"<tr><td><a href=\"http://r.test/甲\" "_s));
    click(form->Command2);
    const auto shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, u"本次对比结束！"_s);
    QCOMPARE(shown[0].title, u"Quarnex"_s);

    form->RichTextBox1->setText(QString());
    click(form->Command2);
    QCOMPARE(shownMessage(), u"请先输入关键字"_s);
    QCOMPARE(form->layoutTwips().twips(form->RichTextBox1).size(), QSize(10140, 6225));
    QVERIFY(!form->List1->isVisible());
}

void TstForm1::automaticRunStartsStopsAndEnds()
{
    analyse(u"第一句话。第二句话。第三句话。"_s);
    click(form->Command3);
    QVERIFY(form->Command4->isVisible() && !form->Command3->isVisible());
    QVERIFY(!form->Command1->isEnabled() && !form->List1->isEnabled());
    // A page a newer navigation replaced reaches the run as not read: sent again.
    browser->finish(resultPage(u"第一句话的高亮"_s), true);
    clock.advance(1000);
    QCOMPARE(browser->navigations.count(query + u"第一句话 "_s), 2);
    browser->finish(resultPage(u"第一句话的高亮"_s));
    QCOMPARE(form->Label1->text(), u"现在正在对比第 1 句！共 3 句。"_s);
    clock.advance(1000);
    QCOMPARE(browser->navigations.last(), query + u"第二句话 "_s);
    browser->finish(resultPage(QString()));
    QCOMPARE(form->Label1->text(), u"网络不给力，自动对比已经暂停！"_s);
    QVERIFY(form->Command3->isVisible() && form->Command1->isEnabled());

    click(form->Command3);
    click(form->Command4);
    QVERIFY(form->Command3->isVisible() && !form->Command4->isVisible());
    browser->finish(resultPage(u"第三句话的高亮"_s));
    clock.advance(1000);
    QCOMPARE(browser->navigations.last(), query + u"第三句话 "_s);
    QVERIFY(MessageBox::takeShown().isEmpty());
}

void TstForm1::colouringAndTheBlackReset()
{
    analyse(u"甲乙丙丁。x甲乙丙丁。y甲乙丙丁。"_s);
    click(form->Command2);
    RichEdit *editor = form->RichTextBox1;
    for (qsizetype at : {0, 6, 12})
        QCOMPARE(editor->colourAt(at), red);
    QCOMPARE(editor->colourAt(5), black);

    // The next compare turns only the selected occurrence black, then colours its sentence.
    clickEntry(1);
    for (qsizetype at : {0, 5, 6, 10})
        QCOMPARE(editor->colourAt(at), red);
    for (qsizetype at : {11, 12, 16})
        QCOMPARE(editor->colourAt(at), black);
}

void TstForm1::layoutWorkedExample()
{
    const auto &layout = form->layoutTwips();
    const QSize frame = form->frameGeometry().size() - form->geometry().size();
    const QSize allowance = frame.isEmpty() ? QSize(16, 39) : frame;
    form->resize(layout.toPixels(10665) - allowance.width(),
                 layout.toPixels(8160) - allowance.height());
    QTRY_COMPARE(form->outerTwips(), QSize(10665, 8160));
    QCOMPARE(layout.twips(form->WebBrowser1->view()).size(), QSize(10140, 5270));
    QCOMPARE(layout.twips(form->RichTextBox1).size(), QSize(10140, 6270));
    QCOMPARE(layout.twips(form->Label1).top(), 6460);
    QCOMPARE(layout.twips(form->Command4).topLeft(), QPoint(8165, 6760));
    QCOMPARE(layout.twips(form->Command5).topLeft(), QPoint(8165, 6440));
    QCOMPARE(layout.twips(form->Command6).topLeft(), QPoint(9765, 6440));
    QCOMPARE(layout.twips(form->List1).left(), 8865);
    QCOMPARE(layout.twips(form->List1).width(), 1400);

    analyse(u"第一句。"_s);
    form->Form_Resize();
    QCOMPARE(layout.twips(form->RichTextBox1).size(), QSize(8760, 2400));

    // A window too low for the browser keeps its height; the other settings still follow.
    form->resize(form->width(), 100);
    QTRY_VERIFY(form->outerTwips().height() < 2890);
    QCOMPARE(layout.twips(form->WebBrowser1->view()).height(), 5270);
    QCOMPARE(layout.twips(form->Command1).top(), form->outerTwips().height() - 1400);
}

void TstForm1::exitUpdateAndClosing()
{
    QSignalSpy ending(form.get(), &Form1::programEnding);
    MessageBox::queueAnswer(MessageBox::Answer::No);
    form->tuichu->trigger();
    QCOMPARE(shownMessage(), u"谢谢使用！访问我的网站吗？"_s);
    QVERIFY(Shell::takeOpened().isEmpty());
    QCOMPARE(ending.count(), 1);

    init();
    Shell::setScripted(true, false);
    QSignalSpy ending2(form.get(), &Form1::programEnding);
    form->tuichu->trigger();
    const auto shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].text, u"调用浏览器错误！"_s);
    QCOMPARE(shown[1].title, u"错误："_s);
    QCOMPARE(Shell::takeOpened(), QStringList{u"http://maker.test/update"_s});
    QCOMPARE(ending2.count(), 1);

    // Closing during the pause of a run ends the program without sending more.
    init();
    analyse(u"第一句话。第二句话。"_s);
    click(form->Command3);
    QSignalSpy ending3(form.get(), &Form1::programEnding);
    const qsizetype before = browser->navigations.size();
    browser->finish(resultPage(u"第一句话的高亮"_s));
    form->close();
    clock.advance(1000);
    QCOMPARE(ending3.count(), 1);
    QCOMPARE(browser->navigations.size(), before);
}

void TstForm1::newOpenAndSave()
{
    RichEdit *editor = form->RichTextBox1;
    analyse(u"第一句话。第二句话。"_s);
    click(form->Command2);
    form->xinjian->trigger();
    QVERIFY(editor->Text().isEmpty() && !form->List1->isVisible());

    QTemporaryDir dir;
    const QString paper = u"红色的句子。\r\n黑色的句子。"_s;
    const QString txt = dir.filePath(u"论文.txt"_s);
    QFile file(txt);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(u"红色的句子。\n黑色的句子。"_s.toUtf8());
    file.close();
    FileDialog::queueAnswer(txt);
    form->dakai->trigger();
    QCOMPARE(form->windowTitle(), u"Quarnex V1.2（百度版）"_s + txt);
    QCOMPARE(editor->Text(), paper);

    // Cancelled Open and Save and a failed Open change nothing: no reload, no caption, no
    // file, no recolouring; the failure says so.
    editor->colourRanges({{0, 6}}, red);
    form->dakai->trigger();
    form->baocun->trigger();
    FileDialog::queueAnswer(dir.filePath(u"missing.txt"_s));
    form->dakai->trigger();
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(form->windowTitle(), u"Quarnex V1.2（百度版）"_s + txt);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    QCOMPARE(editor->colourAt(0), red);

    // Save writes rich text under any name; the selected part turns black first.
    editor->setSelStart(3);
    editor->setSelLength(2);
    FileDialog::queueAnswer(dir.filePath(u"c.txt"_s));
    form->baocun->trigger();
    QFile saved(dir.filePath(u"c.txt"_s));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QTextDocument document;
    QVERIFY(readRtf(saved.readAll(), &document));
    QTextCursor cursor(&document);
    for (const auto &[at, colour] : {std::pair{0, red}, {3, black}, {5, red}}) {
        cursor.setPosition(at + 1);
        QCOMPARE(cursor.charFormat().foreground().color(), colour);
    }

    FileDialog::queueAnswer(dir.filePath(u"no/such/folder/c.rtf"_s));
    form->baocun->trigger();
    QCOMPARE(MessageBox::takeShown().size(), 1);
}

void TstForm1::undoRightAfterOpenKeepsTheFileAsRead()
{
    RichEdit *editor = form->RichTextBox1;
    QTemporaryDir dir;
    const QString rtf = dir.filePath(u"彩色.rtf"_s);
    editor->setText(u"红色的句子。"_s);
    editor->colourRanges({{0, 6}}, red);
    editor->setSelStart(0);
    FileDialog::queueAnswer(rtf);
    form->baocun->trigger();

    editor->setText(u"打开之前的文字。"_s);
    FileDialog::queueAnswer(rtf);
    form->dakai->trigger();
    QCOMPARE(editor->colourAt(0), black);
    form->cx->trigger();
    QCOMPARE(editor->Text(), u"红色的句子。"_s);
    QCOMPARE(editor->colourAt(0), black);
}

void TstForm1::saveAsksBeforeReplacingAWordDocument()
{
    RichEdit *editor = form->RichTextBox1;
    editor->setText(u"新的论文。"_s);
    QTemporaryDir dir;
    const QString word = dir.filePath(u"论文.docx"_s);
    QVERIFY(QFile::copy(QStringLiteral(QUARNEX_TEST_DATA "/chinese.docx"), word));
    const auto bytesOf = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray original = bytesOf(word);

    FileDialog::queueAnswer(word);
    MessageBox::queueAnswer(MessageBox::Answer::No);
    form->baocun->trigger();
    QVERIFY(shownMessage().contains(u"丢失"_s));
    QCOMPARE(bytesOf(word), original);

    FileDialog::queueAnswer(word);
    MessageBox::queueAnswer(MessageBox::Answer::Yes);
    form->baocun->trigger();
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QVERIFY(bytesOf(word).startsWith("{\\rtf"));
    // Now RTF, it is replaced as any RTF file is: without a question.
    FileDialog::queueAnswer(word);
    form->baocun->trigger();
    QCOMPARE(MessageBox::takeShown().size(), 0);
}

void TstForm1::saveOnAFullDiskKeepsTheOldFileAndSaysSo()
{
    QTemporaryDir dir;
    const QByteArray disk = QFile::encodeName(dir.path());
    if (::mount("quarnex-test", disk.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("a small tmpfs cannot be mounted here (needs root); the full-disk save is untested");
    const auto unmount = qScopeGuard([&] { ::umount2(disk.constData(), MNT_DETACH); });

    const QString paper = dir.filePath(u"论文.rtf"_s);
    RichEdit *editor = form->RichTextBox1;
    editor->setText(u"原来的句子。"_s);
    FileDialog::queueAnswer(paper);
    form->baocun->trigger();
    QFile oldFile(paper);
    QVERIFY(oldFile.open(QIODevice::ReadOnly));
    const QByteArray old = oldFile.readAll();
    oldFile.close();
    QVERIFY(old.startsWith("{\\rtf"));

    // Everything else taken; then one page given back, so that a save fits in part.
    const int filler =
        ::open(QFile::encodeName(dir.filePath(u"filler"_s)).constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(filler >= 0);
    const QByteArray block(4096, 'x');
    off_t filled = 0;
    for (ssize_t n; (n = ::write(filler, block.constData(), size_t(block.size()))) > 0;)
        filled += n;
    editor->setText(QString(4000, u'新'));
    for (const off_t freed : {off_t(0), off_t(4096)}) {
        QVERIFY(::ftruncate(filler, filled - freed) == 0);
        FileDialog::queueAnswer(paper);
        form->baocun->trigger();
        QVERIFY2(shownMessage().contains(u"原来的文件没有改动"_s), qPrintable(paper));
        QVERIFY(oldFile.open(QIODevice::ReadOnly));
        QCOMPARE(oldFile.readAll(), old);
        oldFile.close();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
    ::close(filler);
}

void TstForm1::editCommandsAndContextMenu()
{
    RichEdit *editor = form->RichTextBox1;
    editor->setText(u"甲乙丙。丁戊。"_s);
    editor->colourRanges({{0, 4}}, red);
    editor->setSelStart(0);
    editor->setSelLength(4);
    // Space sets the selection's font to 宋体; other keys change no font.
    const auto fontOfSelection = [editor] {
        return editor->textCursor().charFormat().fontFamilies().toStringList().value(0);
    };
    editor->setSelFontName(u"DejaVu Sans"_s);
    QTest::keyRelease(editor, Qt::Key_A);
    QCOMPARE(fontOfSelection(), u"DejaVu Sans"_s);
    QTest::keyRelease(editor, Qt::Key_Space);
    QCOMPARE(fontOfSelection(), u"宋体"_s);

    form->jq->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"甲乙丙。"_s);
    QCOMPARE(editor->Text(), u"丁戊。"_s);
    // Pasted text takes the colour at the caret, not the one it was cut with.
    editor->setSelStart(3);
    form->nt->trigger();
    QCOMPARE(editor->Text(), u"丁戊。甲乙丙。"_s);
    QCOMPARE(editor->colourAt(4), black);
    form->cx->trigger();
    QCOMPARE(editor->Text(), u"丁戊。"_s);
    form->qx->trigger();
    form->sc->trigger();
    QVERIFY(editor->Text().isEmpty());

    QTest::mousePress(editor->viewport(), Qt::LeftButton);
    QVERIFY(!form->yjcd->isVisible());
    QTest::mousePress(editor->viewport(), Qt::RightButton);
    QTRY_VERIFY(form->yjcd->isVisible());
    form->yjcd->close();
}

void TstForm1::qtDialogsSpeakChinese()
{
    QVERIFY(installQtTranslations());
    for (const char *button : {"OK", "&Yes", "&No", "Cancel"})
        QVERIFY2(QCoreApplication::translate("QPlatformTheme", button) != QLatin1String(button),
                 button);
}

void TstForm1::reportExportBandColoursAndSkipping()
{
    analyse(u"第一句话。第二句话。"_s);
    click(form->Command2);
    browser->finish(resultPage(u"第一句话"_s, {u"甲"_s}));
    click(form->Command2);
    browser->finish(resultPage(u"别的文字"_s));
    const QList<QColor> runColours = {form->RichTextBox1->colourAt(1),
                                      form->RichTextBox1->colourAt(7)};
    QCOMPARE(runColours, (QList<QColor>{black, red}));

    // Red from half the sentence, green below; turned off, the run's colours come back.
    form->zhuose->trigger();
    QCOMPARE(form->RichTextBox1->colourAt(1), QColor(bandColour(Band::Red)));
    QCOMPARE(form->RichTextBox1->colourAt(7), QColor(bandColour(Band::Green)));
    form->zhuose->trigger();
    QCOMPARE((QList<QColor>{form->RichTextBox1->colourAt(1), form->RichTextBox1->colourAt(7)}),
             runColours);

    // The kind follows the name; a bare name takes the chosen filter's.
    QTemporaryDir folder;
    FileDialog::queueAnswer(folder.filePath(u"报告"_s));
    form->daochu->trigger();
    QFile html(folder.filePath(u"报告.html"_s));
    QVERIFY(html.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(html.readAll()).contains(u"http://r.test/甲"_s));
    FileDialog::queueAnswer(folder.filePath(u"报告.pdf"_s));
    form->daochu->trigger();
    QFile pdf(folder.filePath(u"报告.pdf"_s));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    QVERIFY(MessageBox::takeShown().isEmpty());

    QVERIFY(!form->checkRun->skipTableOfContentsAndReferences);
    form->tiaoguo->trigger();
    QVERIFY(form->checkRun->skipTableOfContentsAndReferences);
}

void TstForm1::savedCheckOpensAsItWas()
{
    analyse(u"第一句话。第二句话。"_s);
    click(form->Command2);
    browser->finish(resultPage(u"第一句话"_s, {u"甲"_s}));
    const QString line2 = form->Label2->text();
    QTemporaryDir folder;
    FileDialog::queueAnswer(folder.filePath(u"检测"_s));
    form->baocunjg->trigger();

    form->xinjian->trigger();
    analyse(u"别的论文。"_s);
    FileDialog::queueAnswer(folder.filePath(u"检测.qxcheck"_s));
    form->dakaijg->trigger();
    QVERIFY(MessageBox::takeShown().isEmpty());
    QCOMPARE(form->RichTextBox1->Text(), u"第一句话。第二句话。"_s);
    QCOMPARE(form->List1->count(), 2);
    QCOMPARE(form->Label2->text(), line2);
    QVERIFY(form->List1->isVisible());

    // A file of another kind says so and changes nothing.
    QFile other(folder.filePath(u"其他.qxcheck"_s));
    QVERIFY(other.open(QIODevice::WriteOnly) && other.write("{}") == 2);
    other.close();
    FileDialog::queueAnswer(other.fileName());
    form->dakaijg->trigger();
    QVERIFY(shownMessage().endsWith(u"这不是检测结果文件。"_s));
    QCOMPARE(form->List1->count(), 2);
}

QTEST_MAIN(TstForm1)
#include "tst_form1.moc"
