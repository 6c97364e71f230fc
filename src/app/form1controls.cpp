// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls and menus, as designed: names, captions, places and the handlers
// they call. The handlers themselves are in form1.cpp.
#include "fonts.h"
#include "form1.h"
#include "listbox.h"
#include "platform/richedit.h"
#include "platform/searchbrowser.h"

#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

const QColor red(255, 0, 0);

const QString welcomeNote =
    u"<p style=\"font-family:'宋体'; font-size:10pt; white-space:pre-wrap\">"
    u"　　欢迎使用 Quarnex！请把论文的句子输入或粘贴到这里，先点击“分析”，"
    u"再点击“对比”：每点击一次，就有一句话被送到网络上检索，"
    u"检索到的相同文字会被统计成相似度。</p>"
    u"<p style=\"font-family:'宋体'; font-size:10pt; white-space:pre-wrap\">"
    u"　　请注意：在线对比会把论文的每一句话逐句发送到所选的搜索网站；"
    u"“对比器”和本地文献库（--corpus）的对比只在本机进行，不发送任何文字。</p>"
    u"<p style=\"font-family:'宋体'; font-size:10pt; white-space:pre-wrap\">"
    u"　　检索依靠百度网页搜索，速度和质量取决于网络状况，结果仅供参考。"
    u"如果您有改进的建议，欢迎告诉我们。</p>"
    u"<p style=\"font-family:'宋体'; font-size:10pt; white-space:pre-wrap\">"
    u"　　这个编辑框也可以用来整理文字，再复制到文字处理软件里，"
    u"或者用于其他检索。</p>"_s;

} // namespace

void Form1::createMenus()
{
    const auto item = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    wjcd = menuBar()->addMenu(u"文件"_s);
    wjcd->setObjectName(u"wjcd"_s);
    xinjian = item(wjcd, u"xinjian"_s, u"新建"_s);
    dakai = item(wjcd, u"dakai"_s, u"打开"_s);
    baocun = item(wjcd, u"baocun"_s, u"保存"_s);
    wjcd->addSeparator();
    dakaijg = item(wjcd, u"dakaijg"_s, u"打开检测结果…"_s);
    baocunjg = item(wjcd, u"baocunjg"_s, u"保存检测结果…"_s);
    daochu = item(wjcd, u"daochu"_s, u"导出检测报告…"_s);
    zhuose = item(wjcd, u"zhuose"_s, u"按相似度着色"_s);
    zhuose->setCheckable(true);
    wjcd->addSeparator();
    tuichu = item(wjcd, u"tuichu"_s, u"退出"_s);

    yjcd = menuBar()->addMenu(u"编辑"_s);
    yjcd->setObjectName(u"yjcd"_s);
    cx = item(yjcd, u"cx"_s, u"撤销"_s);
    yjcd->addSeparator();
    jq = item(yjcd, u"jq"_s, u"剪切"_s);
    fz = item(yjcd, u"fz"_s, u"复制"_s);
    nt = item(yjcd, u"nt"_s, u"粘贴"_s);
    sc = item(yjcd, u"sc"_s, u"删除"_s);
    yjcd->addSeparator();
    qx = item(yjcd, u"qx"_s, u"全选"_s);

    yinqing = menuBar()->addMenu(u"引擎选择"_s);
    yinqing->setObjectName(u"yinqing"_s);
    baidu = item(yinqing, u"baidu"_s, u"百度引擎"_s);
    longyuan = item(yinqing, u"longyuan"_s, u"龙源期刊"_s);
    zhiwang = item(yinqing, u"zhiwang"_s, u"中国知网"_s);
    for (QAction *engineItem : {baidu, longyuan, zhiwang})
        engineItem->setCheckable(true);
    yinqing->addSeparator();
    tiaoguo = item(yinqing, u"tiaoguo"_s, u"跳过目录和参考文献"_s);
    tiaoguo->setCheckable(true);

    duibiqi = menuBar()->addAction(u"对比器"_s);
    duibiqi->setObjectName(u"duibiqi"_s);
    gengxin = menuBar()->addAction(u"获取更新"_s);
    gengxin->setObjectName(u"gengxin"_s);
    gengxin->setVisible(false);

    connect(xinjian, &QAction::triggered, this, &Form1::xinjian_Click);
    connect(tuichu, &QAction::triggered, this, &Form1::tuichu_Click);
    connect(baidu, &QAction::triggered, this, &Form1::baidu_Click);
    connect(longyuan, &QAction::triggered, this, &Form1::longyuan_Click);
    connect(zhiwang, &QAction::triggered, this, &Form1::zhiwang_Click);
    connect(duibiqi, &QAction::triggered, this, &Form1::duibiqi_Click);
    connect(dakaijg, &QAction::triggered, this, &Form1::dakaijg_Click);
    connect(baocunjg, &QAction::triggered, this, &Form1::baocunjg_Click);
    connect(daochu, &QAction::triggered, this, &Form1::daochu_Click);
    connect(zhuose, &QAction::triggered, this, &Form1::zhuose_Click);
    connect(tiaoguo, &QAction::triggered, this, &Form1::tiaoguo_Click);
    connect(gengxin, &QAction::triggered, this, &Form1::gengxin_Click);
}

void Form1::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);

    const auto button = [&](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, client);
        b->setObjectName(name);
        return b;
    };

    // Created back to front: a later sibling stacks in front of an earlier one.
    Label1 = makeLabel(client, u"Label1"_s, u"请点击“分析”开始解析论文！"_s, red, true);
    m_layout.place(Label1, 225, 6345, 8385, 420);
    Label2 = makeLabel(client, u"Label2"_s, QString(), QColor(0, 0, 255), true);
    m_layout.place(Label2, 5265, 6345, 4605, 780);

    WebBrowser1 = m_settings.makeBrowser(this);
    WebBrowser1->setObjectName(u"WebBrowser1"_s);
    WebBrowser1->view()->setParent(client);
    WebBrowser1->view()->setObjectName(u"WebBrowser1"_s);
    m_layout.place(WebBrowser1->view(), 135, 1125, 10140, 5100);

    RichTextBox1 = new RichEdit(client);
    RichTextBox1->setObjectName(u"RichTextBox1"_s);
    RichTextBox1->setFont(songti(9.75));
    RichTextBox1->setHtml(welcomeNote);
    m_layout.place(RichTextBox1, 135, 45, 10140, 6225);

    Command1 = button(u"Command1"_s, u"进行分析"_s);
    m_layout.place(Command1, 270, 6750, 2130, 420);
    Command2 = button(u"Command2"_s, u"手动对比"_s);
    m_layout.place(Command2, 2970, 6750, 2130, 420);

    WebBrowser2 = m_settings.makeBrowser(this);
    WebBrowser2->setObjectName(u"WebBrowser2"_s);
    WebBrowser2->view()->setParent(client);
    WebBrowser2->view()->setObjectName(u"WebBrowser2"_s);
    m_layout.place(WebBrowser2->view(), 9540, 6210, 690, 510);

    List1 = new ListBox(client);
    List1->setObjectName(u"List1"_s);
    m_layout.place(List1, 9180, 45, 1095, 2760);
    List1->hide();

    Command3 = button(u"Command3"_s, u"启动自动对比"_s);
    m_layout.place(Command3, 8145, 6750, 2130, 420);
    Command4 = button(u"Command4"_s, u"停止自动对比！"_s);
    m_layout.place(Command4, 8145, 6750, 2130, 420);
    Command4->hide();
    Command5 = button(u"Command5"_s, u"统计相似性网站"_s);
    m_layout.place(Command5, 8145, 6345, 1545, 285);
    Command6 = button(u"Command6"_s, u"对比"_s);
    m_layout.place(Command6, 9765, 6345, 510, 285);

    runProgress = new QProgressBar(client);
    runProgress->setObjectName(u"runProgress"_s);
    runProgress->setTextVisible(false);
    runProgress->hide();

    QWidget::setTabOrder(RichTextBox1, Command1);
    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, List1);
    QWidget::setTabOrder(List1, Command3);
    QWidget::setTabOrder(Command3, Command4);
    QWidget::setTabOrder(Command4, Command5);
    QWidget::setTabOrder(Command5, Command6);

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(List1, &ListBox::Click, this, &Form1::List1_Click);
    connect(WebBrowser1, &SearchBrowser::DownloadBegin, this, &Form1::WebBrowser1_DownloadBegin);
    connect(WebBrowser1, &SearchBrowser::DownloadComplete, this,
            &Form1::WebBrowser1_DownloadComplete);

    connect(dakai, &QAction::triggered, this, &Form1::dakai_Click);
    connect(baocun, &QAction::triggered, this, &Form1::baocun_Click);
    connect(cx, &QAction::triggered, this, &Form1::cx_Click);
    connect(jq, &QAction::triggered, this, &Form1::jq_Click);
    connect(fz, &QAction::triggered, this, &Form1::fz_Click);
    connect(nt, &QAction::triggered, this, &Form1::nt_Click);
    connect(sc, &QAction::triggered, this, &Form1::sc_Click);
    connect(qx, &QAction::triggered, this, &Form1::qx_Click);
    // The Edit menu opens on the right-button press itself, so the editor's own menu is off.
    RichTextBox1->setContextMenuPolicy(Qt::NoContextMenu);
    RichTextBox1->viewport()->installEventFilter(this);
    RichTextBox1->installEventFilter(this);
}

} // namespace quarnex
