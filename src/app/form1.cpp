// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "check/analysis.h"
#include "check/checkfile.h"
#include "check/numbers.h"
#include "check/page.h"
#include "check/report.h"
#include "documents/document.h"
#include "editcommands.h"
#include "fonts.h"
#include "form2.h"
#include "listbox.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"
#include "platform/searchbrowser.h"
#include "platform/shell.h"
#include "reportcommands.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);

const QString productTitle = u"Quarnex V1.2（百度版）"_s;

} // namespace

Form1::Form1(Form1Settings settings, QWidget *parent)
    : QMainWindow(parent), m_settings(std::move(settings))
{
    setObjectName(u"Form1"_s);
    m_caption = productTitle;
    setWindowTitle(m_caption);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 256})
        icon.addFile(u":/icons/quarnex-%1.png"_s.arg(size), QSize(size, size));
    setWindowIcon(icon);
    setFont(songti(9));
    m_layout.setDpi(logicalDpiX());
    checkRun = new CheckRun(m_settings.clock, this);
    checkRun->pauseScale = m_settings.pauseScale;
    createMenus();
    createControls();
    connectCheckRun();
    Form_Load();

    // The design's client area, 10425 × 7290 twips, below the menu bar; centred on the screen.
    resize(m_layout.toPixels(10425), m_layout.toPixels(7290) + menuBar()->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    RichTextBox1->setFocus();
}

Form1::~Form1()
{
    if (m_comparator)
        delete m_comparator.data();
}

void Form1::Form_Load()
{
    WebBrowser1->Navigate(u"about:blank"_s);
    WebBrowser1->view()->hide();
    m_layout.setHeight(WebBrowser2->view(), 0);
    m_layout.setWidth(WebBrowser2->view(), 0);
    if (!m_settings.startPage.isEmpty())
        WebBrowser2->Navigate(m_settings.startPage);
    checkEngine(baidu);
    checkRun->skipListCompare = 1;
    Timer1_Timer();
}

QSize Form1::outerTwips() const
{
    return m_layout.outerTwips(this);
}

bool Form1::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    // The frame becomes known when the window manager frames the window, which moves it
    // without resizing it.
    const auto type = event->type();
    if ((type == QEvent::Move || type == QEvent::Show || type == QEvent::WindowActivate) &&
        m_layout.frameChanged(this))
        Form_Resize();
    return handled;
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Form1::Form_Resize()
{
    const QSize outer = outerTwips();
    const int w = outer.width();
    const int h = outer.height();
    QWidget *browser = WebBrowser1->view();
    m_layout.setHeight(browser, h - 2890);
    m_layout.setWidth(browser, w - 525);
    if (!checkRun->analysedText.isEmpty()) {
        m_layout.setHeight(RichTextBox1, 2400);
        m_layout.setWidth(RichTextBox1, w - 1905);
    } else {
        m_layout.setHeight(RichTextBox1, h - 1890);
        m_layout.setWidth(RichTextBox1, w - 525);
    }
    for (QWidget *label : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label2)})
        m_layout.setTop(label, h - 1700);
    for (QWidget *b : {Command1, Command2, Command3, Command4})
        m_layout.setTop(b, h - 1400);
    for (QWidget *b : {Command5, Command6})
        m_layout.setTop(b, h - 1720);
    for (QWidget *b : {Command3, Command4, Command5})
        m_layout.setLeft(b, w - 2500);
    m_layout.setLeft(Command6, w - 900);
    m_layout.setLeft(List1, w - 1800);
    m_layout.setWidth(List1, 1400);
}

void Form1::applyEditingLayout()
{
    m_layout.setHeight(RichTextBox1, 6225);
    m_layout.setWidth(RichTextBox1, 10140);
    List1->hide();
}

void Form1::applyCompareLayout()
{
    const int w = outerTwips().width();
    m_layout.setHeight(RichTextBox1, 2400);
    m_layout.setWidth(RichTextBox1, w - 1605);
    RichTextBox1->setSelColor(black);
    m_layout.setHeight(List1, 2400);
    m_layout.setLeft(List1, w - 1500);
    m_layout.setWidth(List1, 1100);
    List1->show();
}

void Form1::connectCheckRun()
{
    CheckRun *run = checkRun;
    run->address = [this](const QString &text) {
        return queryAddress(engine(), m_settings.searchBase, text);
    };
    run->paperIsEmpty = [this] { return RichTextBox1->Text().isEmpty(); };
    connect(run, &CheckRun::compareBegins, this, [this] {
        WebBrowser1->Write(QString());
        Label2->show();
        Command5->setEnabled(true);
        // The state refresher takes the report button back while a run goes on.
        Timer1_Timer();
        applyCompareLayout();
    });
    connect(run, &CheckRun::paperFoundEmpty, this, &Form1::applyEditingLayout);
    connect(run, &CheckRun::message, this,
            [this](const QString &text) { MessageBox::information(this, text); });
    connect(run, &CheckRun::navigate, this, [this](const QString &url) {
        WebBrowser1->Navigate(url);
        WebBrowser1->view()->show();
    });
    connect(run, &CheckRun::abandonPage, WebBrowser1, &SearchBrowser::Stop);
    connect(run, &CheckRun::showLine1, Label1, &QLabel::setText);
    connect(run, &CheckRun::showLine2, Label2, &QLabel::setText);
    connect(run, &CheckRun::colour, this, &Form1::colourSentence);
    connect(run, &CheckRun::entrySelected, this, [this](qsizetype row) {
        // Selecting by program runs no handler: the run has done what a click would.
        List1->setCurrentRow(int(row));
        List1->setToolTip(checkRun->sentences.value(row));
    });
    connect(run, &CheckRun::autoRunChanged, this, &Form1::Timer1_Timer);
    connect(run, &CheckRun::verificationShown, this, [this] { WebBrowser1->view()->show(); });
    connect(run, &CheckRun::progress, this, &Form1::showProgress);
}

void Form1::Command1_Click()
{
    List1->clear();
    Label2->hide();
    const Analysis analysis = analyse(RichTextBox1->Text());
    Label1->setText(analysis.caption);
    RichTextBox1->setSelStart(0);
    List1->addItems(analysis.entries);
    checkRun->analysed(analysis, RichTextBox1->Text());
}

void Form1::Command2_Click()
{
    checkRun->compare();
}

void Form1::colourSentence(const QString &sentence)
{
    const QString text = RichTextBox1->Text();
    QList<TextRange> occurrences;
    for (qsizetype at = text.indexOf(sentence); at >= 0;
         at = text.indexOf(sentence, at + sentence.size()))
        occurrences.append({at, sentence.size()});
    if (!occurrences.isEmpty())
        RichTextBox1->colourRanges(occurrences, red);
}

void Form1::List1_Click()
{
    const int row = List1->currentRow();
    if (row < 0 || !List1->item(row)->isSelected())
        return;
    List1->setToolTip(checkRun->sentences.value(row));
    checkRun->entryClicked(row);
}

void Form1::Command3_Click()
{
    checkRun->start();
}

void Form1::Command4_Click()
{
    checkRun->stop();
    Command3->setVisible(true);
    Command4->setVisible(false);
}

void Form1::Timer1_Timer()
{
    const bool running = checkRun->autoRun == 1;
    for (QWidget *control : {static_cast<QWidget *>(List1), static_cast<QWidget *>(Command5),
                             static_cast<QWidget *>(Command2), static_cast<QWidget *>(Command1)})
        control->setEnabled(!running);
    Command3->setVisible(!running);
    Command4->setVisible(running);
    if (!running) {
        setWindowTitle(m_caption);
        runProgress->hide();
    }
}

void Form1::showProgress(qsizetype number, qsizetype total, const QString &overall, qint64 msLeft)
{
    // The layout stays as it is: the window title says how far an automatic run is, and a
    // thin bar along the foot of the status line shows it.
    const qint64 seconds = (msLeft + 999) / 1000;
    const QString left = seconds >= 60 ? u"%1 分 %2 秒"_s.arg(seconds / 60).arg(seconds % 60)
                                       : u"%1 秒"_s.arg(seconds);
    setWindowTitle(
        u"第 %1/%2 句 · 总体相似度 %3% · 约剩 %4 — "_s.arg(number).arg(total).arg(overall, left) +
        m_caption);
    const QRect line = Label1->geometry();
    const int width = std::min(line.width(), Label2->x() - line.x() - 8);
    runProgress->setGeometry(line.x() + 2, line.bottom() - 3, std::max(width, 0), 3);
    runProgress->setRange(0, int(total));
    runProgress->setValue(int(number));
    runProgress->show();
    runProgress->raise();
}

void Form1::Command5_Click()
{
    // The report is recounted from the slots in gathering order each time, so results that
    // later compares store by sentence land where they belong and counts never add up twice.
    ResultSlots ranked = checkRun->results.value_or(ResultSlots{});
    recountResults(ranked);
    WebBrowser1->Write(reportHtml(ranked));
}

void Form1::WebBrowser1_DownloadBegin()
{
    WebBrowser1->setSilent(true);
}

QString Form1::GetPageHtml(SearchBrowser *browser, const QString &part)
{
    Q_UNUSED(part);
    return browser->bodyHtml().value_or(QString());
}

void Form1::WebBrowser1_DownloadComplete()
{
    PageEnd page;
    if (WebBrowser1->Busy()) {
        page.kind = PageEnd::Kind::Busy;
    } else if (WebBrowser1->Failed()) {
        page.kind = PageEnd::Kind::Failed;
    } else {
        page.body = GetPageHtml(WebBrowser1, u"Body"_s);
        page.url = WebBrowser1->pageUrl();
        page.title = WebBrowser1->pageTitle();
    }
    checkRun->pageEnded(page);
    WebBrowser1->setSilent(true);
}

Engine Form1::engine() const
{
    if (zhiwang->isChecked())
        return Engine::Zhiwang;
    if (longyuan->isChecked())
        return Engine::Longyuan;
    return Engine::Baidu;
}

void Form1::checkEngine(QAction *item)
{
    for (QAction *engineItem : {baidu, longyuan, zhiwang})
        engineItem->setChecked(engineItem == item);
}

void Form1::baidu_Click()
{
    checkEngine(baidu);
}

void Form1::longyuan_Click()
{
    checkEngine(longyuan);
}

void Form1::zhiwang_Click()
{
    checkEngine(zhiwang);
}

void Form1::xinjian_Click()
{
    m_paperPath.clear();
    m_formatsBeforeBands.reset();
    zhuose->setChecked(false);
    RichTextBox1->setText(QString());
    applyEditingLayout();
}

Form2 *Form1::comparator() const
{
    return m_comparator;
}

void Form1::dakai_Click()
{
    applyEditingLayout();
    CommonDialog1.DialogTitle = u"请选择一个文件"_s;
    CommonDialog1.Filter = edit::openFilter;
    CommonDialog1.FilterIndex = 1;
    // A cancelled dialog changes nothing: no earlier file is loaded again, the caption and
    // the colours stay.
    if (!CommonDialog1.ShowOpen(this))
        return;
    openDocument(CommonDialog1.FileName);
}

void Form1::openDocument(const QString &path)
{
    // Read and turned black aside: the editor lays out its whole document after every change,
    // and for a thesis that is what Open costs; so it sees one change, the finished paper.
    QTextDocument read;
    read.setDefaultFont(RichTextBox1->document()->defaultFont());
    const LoadedDocument loaded = loadDocument(path, &read);
    if (!loaded.ok) {
        MessageBox::critical(this, u"无法打开文件“%1”：%2"_s.arg(path, loaded.error));
        return;
    }
    QTextCursor all(&read);
    all.select(QTextCursor::Document);
    QTextCharFormat blackText;
    blackText.setForeground(black);
    all.mergeCharFormat(blackText);
    all.mergeBlockCharFormat(blackText);

    QTextDocument *document = RichTextBox1->document();
    // The file as it was read is where editing starts: Undo must not bring back the paper
    // before the Open, nor colours that Open turned black (turning undo off clears its steps).
    document->setUndoRedoEnabled(false);
    QTextCursor replace(document);
    replace.select(QTextCursor::Document);
    replace.insertFragment(QTextDocumentFragment(&read));
    document->setUndoRedoEnabled(true);
    m_caption = productTitle + path;
    m_paperPath = path;
    // The colours to go back to were those of the paper just replaced.
    m_formatsBeforeBands.reset();
    zhuose->setChecked(false);
    setWindowTitle(m_caption);
    RichTextBox1->setSelStart(0);
}

void Form1::baocun_Click()
{
    edit::saveAsRtf(this, CommonDialog1, RichTextBox1);
}

void Form1::baocunjg_Click()
{
    CheckFile file;
    file.paperName = QFileInfo(m_paperPath).fileName();
    file.line1 = Label1->text();
    file.line2 = Label2->isVisible() ? Label2->text() : QString();
    reportcommands::saveCheck(this, checkDialog, *checkRun, file);
}

void Form1::dakaijg_Click()
{
    if (checkRun->autoRun == 1)
        Command4_Click();
    const std::optional<CheckFile> file = reportcommands::openCheck(this, checkDialog, *checkRun);
    if (!file)
        return;
    // The window as the check left it: the paper, its list and lines, the sentence last sent
    // in red; "启动自动对比" then carries on where the run stood.
    m_paperPath = file->paperName;
    m_caption = productTitle + file->paperName;
    setWindowTitle(m_caption);
    m_formatsBeforeBands.reset();
    zhuose->setChecked(false);
    tiaoguo->setChecked(checkRun->skipTableOfContentsAndReferences);
    RichTextBox1->setText(file->paper);
    List1->clear();
    List1->addItems(checkRun->entries);
    Label1->setText(file->line1.isEmpty() ? file->analysis.caption : file->line1);
    Label2->setText(file->line2);
    Label2->setVisible(!file->line2.isEmpty());
    WebBrowser1->Write(QString());
    const bool compared = std::any_of(checkRun->pages.cbegin(), checkRun->pages.cend(),
                                      [](const auto &page) { return page.has_value(); });
    if (!compared) {
        applyEditingLayout();
        return;
    }
    applyCompareLayout();
    Command5->setEnabled(true);
    if (checkRun->selectedEntry >= 0)
        List1->setCurrentRow(int(checkRun->selectedEntry));
    colourSentence(checkRun->sentences.value(checkRun->lastSentIndex));
}

void Form1::daochu_Click()
{
    reportcommands::exportReport(this, reportDialog,
                                 checkReport(*checkRun, QFileInfo(m_paperPath).fileName()));
}

void Form1::zhuose_Click()
{
    if (zhuose->isChecked()) {
        m_formatsBeforeBands = RichTextBox1->formats();
        reportcommands::colourByBand(RichTextBox1, checkReport(*checkRun));
        return;
    }
    const auto before = std::exchange(m_formatsBeforeBands, std::nullopt);
    if (before && !RichTextBox1->setFormats(*before))
        MessageBox::information(this, u"论文已经改动过，原来的颜色无法恢复。"_s);
}

void Form1::tiaoguo_Click()
{
    checkRun->skipTableOfContentsAndReferences = tiaoguo->isChecked();
}

void Form1::cx_Click()
{
    edit::undo(RichTextBox1);
}

void Form1::jq_Click()
{
    edit::cut(RichTextBox1);
}

void Form1::fz_Click()
{
    edit::copy(RichTextBox1);
}

void Form1::nt_Click()
{
    edit::paste(RichTextBox1);
}

void Form1::sc_Click()
{
    edit::deleteSelection(RichTextBox1);
}

void Form1::qx_Click()
{
    edit::selectAll(RichTextBox1);
}

void Form1::RichTextBox1_KeyUp(int keyCode)
{
    if (keyCode == Qt::Key_Space)
        RichTextBox1->setSelFontName(u"宋体"_s);
}

void Form1::RichTextBox1_MouseDown(Qt::MouseButtons buttons, const QPoint &position)
{
    if (buttons & Qt::RightButton)
        yjcd->popup(position);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RichTextBox1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        RichTextBox1_MouseDown(press->buttons() | press->button(),
                               press->globalPosition().toPoint());
    } else if (watched == RichTextBox1 && event->type() == QEvent::KeyRelease) {
        const auto *release = static_cast<QKeyEvent *>(event);
        if (!release->isAutoRepeat())
            RichTextBox1_KeyUp(release->key());
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Command6_Click()
{
    duibiqi_Click();
}

void Form1::duibiqi_Click()
{
    if (!m_comparator)
        m_comparator = new Form2(RichTextBox1->Text(), comparatorTotals);
    m_comparator->show();
    m_comparator->raise();
    m_comparator->activateWindow();
}

void Form1::openUpdatePage()
{
    if (!Shell::openUrl(m_settings.updatePage))
        MessageBox::critical(this, u"调用浏览器错误！"_s, u"错误："_s);
}

void Form1::tuichu_Click()
{
    // Without an update page there is nothing to offer.
    if (!m_settings.updatePage.isEmpty() &&
        MessageBox::question(this, u"谢谢使用！访问我的网站吗？"_s) != MessageBox::Answer::No)
        openUpdatePage();
    endProgram();
}

void Form1::gengxin_Click()
{
    openUpdatePage();
}

void Form1::endProgram()
{
    close();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A pause or a page on its way ends with the window: nothing more is sent.
    checkRun->end();
    if (m_comparator)
        m_comparator->close();
    event->accept();
    Q_EMIT programEnding();
}

} // namespace quarnex
