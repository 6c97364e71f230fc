// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/checkrun.h"
#include "check/search.h"
#include "form2.h"
#include "layout.h"
#include "platform/filedialog.h"
#include "platform/richedit.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quarnex {

class ListBox;
class SearchBrowser;

struct Form1Settings {
    QString searchBase = defaultSearchBase.toString();
    QString startPage;  // loaded into the hidden browser at start; none by default
    QString updatePage; // offered at Exit and opened by the update item
    // Makes the two browsers; the product passes the WebEngine one, tests a scripted one.
    std::function<SearchBrowser *(QObject *parent)> makeBrowser;
    // Scales the one-second pauses of the automatic run. Tests only: the product keeps 1.
    double pauseScale = 1.0;
    // The run's clock and timers; tests may step them by hand.
    RunClock clock = RunClock::system();
};

// The main window: the paper editor, the sentence list, the search browser and the buttons of
// the online check. The check state lives in the members below; the handlers keep the names
// of the controls and events they belong to.
class Form1 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    explicit Form1(Form1Settings settings, QWidget *parent = nullptr);
    ~Form1() override;

    // Controls, by their designer names (also their objectName).
    RichEdit *RichTextBox1 = nullptr;     // the paper
    ListBox *List1 = nullptr;             // the numbered sentences
    QLabel *Label1 = nullptr;             // red status line: counts, progress, stop messages
    QLabel *Label2 = nullptr;             // blue similarity of the sentence and of the paper
    QPushButton *Command1 = nullptr;      // 进行分析: cut the paper into sentences
    QPushButton *Command2 = nullptr;      // 手动对比: send the next sentence
    QPushButton *Command3 = nullptr;      // 启动自动对比: start an automatic run
    QPushButton *Command4 = nullptr;      // 停止自动对比！: stop it, in Command3's place
    QPushButton *Command5 = nullptr;      // 统计相似性网站: the report of result pages
    QPushButton *Command6 = nullptr;      // 对比: open the comparator
    SearchBrowser *WebBrowser1 = nullptr; // result pages and the report
    SearchBrowser *WebBrowser2 = nullptr; // the hidden start page
    FileDialog CommonDialog1;             // Open and Save
    FileDialog reportDialog; // 导出检测报告…, apart so that Save keeps its name
    FileDialog checkDialog;  // 打开检测结果… and 保存检测结果…
    // How far an automatic run is: a thin bar along the foot of Label1, shown only then.
    QProgressBar *runProgress = nullptr;

    // Menu items, by their names.
    QMenu *wjcd = nullptr;    // 文件
    QMenu *yjcd = nullptr;    // 编辑, also the paper's context menu
    QMenu *yinqing = nullptr; // 引擎选择
    // 新建, 打开, 保存, 退出
    QAction *xinjian = nullptr, *dakai = nullptr, *baocun = nullptr, *tuichu = nullptr;
    // 撤销, 剪切, 复制, 粘贴, 删除, 全选
    QAction *cx = nullptr, *jq = nullptr, *fz = nullptr, *nt = nullptr, *sc = nullptr,
            *qx = nullptr;
    // 百度引擎, 龙源期刊, 中国知网: the engine a compare searches
    QAction *baidu = nullptr, *longyuan = nullptr, *zhiwang = nullptr;
    // 打开检测结果…, 保存检测结果…: a check kept in a file, to be carried on later
    QAction *dakaijg = nullptr, *baocunjg = nullptr;
    // 导出检测报告… (the report as HTML or PDF), 按相似度着色 (the paper in band colours, and back)
    QAction *daochu = nullptr, *zhuose = nullptr;
    // 跳过目录和参考文献: the run sends nothing of the table of contents and the references
    QAction *tiaoguo = nullptr;
    // 对比器 (the comparator), 获取更新 (the update page, hidden)
    QAction *duibiqi = nullptr, *gengxin = nullptr;

    // The check of the paper: its sentences, indexes, figures and result slots.
    CheckRun *checkRun = nullptr;
    // The comparator's running totals, kept for the whole run.
    ComparatorTotals comparatorTotals;

    // Handlers.
    void Form_Load();
    void Form_Resize();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void List1_Click();
    void Timer1_Timer();
    void WebBrowser1_DownloadBegin();
    void WebBrowser1_DownloadComplete();
    void baidu_Click();
    void longyuan_Click();
    void zhiwang_Click();
    void xinjian_Click();
    void dakai_Click();
    void baocun_Click();
    // Open's reading of a file, also for a file named on the command line: the paper then
    // starts all black, the caption names the file, and a file that cannot be read changes
    // nothing and says why.
    void openDocument(const QString &path);
    void cx_Click();
    void jq_Click();
    void fz_Click();
    void nt_Click();
    void sc_Click();
    void qx_Click();
    void RichTextBox1_KeyUp(int keyCode);
    void RichTextBox1_MouseDown(Qt::MouseButtons buttons, const QPoint &position);
    void tuichu_Click();
    void gengxin_Click();
    void duibiqi_Click();
    void dakaijg_Click();
    void baocunjg_Click();
    void daochu_Click();
    void zhuose_Click();
    void tiaoguo_Click();

    // The body markup of the browser's page, as the result reader expects it.
    static QString GetPageHtml(SearchBrowser *browser, const QString &part);

    // The window's outer size in twips, a frame allowance added where the platform reports no
    // frame.
    QSize outerTwips() const;
    const TwipsLayout &layoutTwips() const { return m_layout; }
    Form2 *comparator() const;
    Engine engine() const;

Q_SIGNALS:
    // The window is closing: the program ends.
    void programEnding();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void connectCheckRun();
    void showProgress(qsizetype number, qsizetype total, const QString &overall, qint64 msLeft);
    void applyEditingLayout();
    void applyCompareLayout();
    void colourSentence(const QString &sentence);
    void checkEngine(QAction *item);
    void openUpdatePage();
    void endProgram();

    Form1Settings m_settings;
    TwipsLayout m_layout;
    QPointer<Form2> m_comparator;
    // The window's caption without the progress of a run.
    QString m_caption;
    // The file the paper was opened from, for the report's title; empty for a new paper.
    QString m_paperPath;
    // The paper's formats before 按相似度着色, put back when it is turned off.
    std::optional<RichEdit::Formats> m_formatsBeforeBands;
};

} // namespace quarnex
