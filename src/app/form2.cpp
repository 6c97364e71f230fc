// SPDX-License-Identifier: GPL-3.0-or-later
#include "form2.h"

#include "comparator/comparison.h"
#include "editcommands.h"
#include "fonts.h"
#include "platform/richedit.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>

namespace quarnex {
using namespace Qt::StringLiterals;

Form2::Form2(const QString &paper, ComparatorTotals &totals, QWidget *parent)
    : QWidget(parent, Qt::Window), m_totals(totals)
{
    setObjectName(u"Form2"_s);
    setWindowTitle(u"Quarnex-对比器"_s);
    // Closing unloads the window; the next opening builds it anew from the main editor.
    setAttribute(Qt::WA_DeleteOnClose);
    m_layout.setDpi(logicalDpiX());

    RichTextBox1 = new RichEdit(this);
    RichTextBox1->setObjectName(u"RichTextBox1"_s);
    RichTextBox1->setFont(songti(9));
    RichTextBox1->setText(paper);
    m_layout.place(RichTextBox1, 90, 90, 4350, 5600);

    RichTextBox2 = new RichEdit(this);
    RichTextBox2->setObjectName(u"RichTextBox2"_s);
    RichTextBox2->setFont(songti(9));
    RichTextBox2->setText(u"对比的文字"_s);
    m_layout.place(RichTextBox2, 4650, 90, 4350, 5600);

    Label1 = makeLabel(this, u"Label1"_s, QString(), QColor(255, 0, 0), false);
    m_layout.place(Label1, 180, 5800, 5800, 800);

    Command1 = new QPushButton(u"对比并标注"_s, this);
    Command1->setObjectName(u"Command1"_s);
    m_layout.place(Command1, 6240, 6100, 1400, 450);

    Check1 = new QCheckBox(u"多次标注"_s, this);
    Check1->setObjectName(u"Check1"_s);
    Check1->setChecked(true);
    m_layout.place(Check1, 7040, 5850, 1300, 300);

    createMenu();
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    // The paper box's menu opens on the right-button press itself; the reference box has none.
    RichTextBox1->setContextMenuPolicy(Qt::NoContextMenu);
    RichTextBox2->setContextMenuPolicy(Qt::NoContextMenu);
    RichTextBox1->viewport()->installEventFilter(this);

    // An inner area of 9300 × 7200 twips.
    resize(m_layout.toPixels(9300), m_layout.toPixels(7200));
}

void Form2::createMenu()
{
    yjcd = new QMenu(u"菜单"_s, this);
    yjcd->setObjectName(u"yjcd"_s);
    const auto item = [this](const QString &name, const QString &caption, const QKeySequence &keys,
                             void (*command)(RichEdit *)) {
        QAction *action = yjcd->addAction(caption);
        action->setObjectName(name);
        // The keys are shown beside the item, as a reminder of the editor's own keys.
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
        if (command)
            connect(action, &QAction::triggered, this, [this, command] { command(RichTextBox1); });
        return action;
    };
    baocun = item(u"baocun"_s, u"保存"_s, QKeySequence(u"Ctrl+S"_s), nullptr);
    connect(baocun, &QAction::triggered, this,
            [this] { edit::saveAsRtf(this, CommonDialog1, RichTextBox1); });
    // A hidden menu's keys never fire, so Ctrl+S is the window's too. The other items keep
    // their keys to the menu: the editors handle Ctrl+Z, X, C, V and A themselves, each in its
    // own box.
    addAction(baocun);
    cx = item(u"cx"_s, u"撤销"_s, QKeySequence(u"Ctrl+Z"_s), edit::undo);
    yjcd->addSeparator()->setObjectName(u"jg1"_s);
    jq = item(u"jq"_s, u"剪切"_s, QKeySequence(u"Ctrl+X"_s), edit::cut);
    fz = item(u"fz"_s, u"复制"_s, QKeySequence(u"Ctrl+C"_s), edit::copy);
    nt = item(u"nt"_s, u"粘贴"_s, QKeySequence(u"Ctrl+V"_s), edit::paste);
    sc = item(u"sc"_s, u"删除"_s, QKeySequence(u"Del"_s), edit::deleteSelection);
    yjcd->addSeparator()->setObjectName(u"jg2"_s);
    qx = item(u"qx"_s, u"全选"_s, QKeySequence(u"Ctrl+A"_s), edit::selectAll);
}

bool Form2::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // The frame becomes known when the window manager frames the window, which moves it
    // without resizing it.
    const auto type = event->type();
    if ((type == QEvent::Move || type == QEvent::Show || type == QEvent::WindowActivate) &&
        m_layout.frameChanged(this))
        Form_Resize();
    return handled;
}

void Form2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form2::Form_Resize()
{
    const QSize outer = m_layout.outerTwips(this);
    const int w = outer.width();
    const int h = outer.height();
    // Sizes that would be negative (a minimised or tiny window) are left as they are.
    const int half = int(std::lround(w / 2.0f - 300.0f));
    m_layout.setHeight(RichTextBox1, h - 1600);
    m_layout.setWidth(RichTextBox1, half);
    m_layout.setLeft(RichTextBox2, m_layout.twips(RichTextBox1).width() + 300);
    m_layout.setHeight(RichTextBox2, h - 1600);
    m_layout.setWidth(RichTextBox2, half);
    m_layout.setTop(Label1, h - 1400);
    m_layout.setTop(Command1, h - 1100);
    m_layout.setLeft(Command1, w - 3300);
    m_layout.setTop(Check1, h - 1350);
    m_layout.setLeft(Check1, w - 2500);
}

void Form2::Command1_Click()
{
    const bool several = Check1->isChecked();
    if (!several) {
        edit::selectAll(RichTextBox1);
        RichTextBox1->setSelColor(QColor(0, 0, 0));
    }
    const QString paper = RichTextBox1->Text();
    const QString reference = RichTextBox2->Text();
    const Comparison found = compareWithReference(paper, reference);
    referenceText = found.referenceText;
    referenceSentences = found.referenceSentences;
    if (!found.marks.isEmpty())
        RichTextBox1->colourRanges(found.marks, QColor(255, 0, 0), found.lastMarked);

    m_totals.repeatedChars += found.repeatedChars;
    m_totals.repeatedSentences += found.repeatedSentences;
    m_totals.extraOccurrences += found.extraOccurrences;
    const qint64 characters = several ? m_totals.repeatedChars : found.repeatedChars;
    Label1->setText(comparisonMessage(
        paper.size(), several ? m_totals.extraOccurrences : found.extraOccurrences,
        several ? m_totals.repeatedSentences : found.repeatedSentences, characters,
        percentOf(characters, paper.size()), percentOf(found.repeatedChars, reference.size())));
}

void Form2::RichTextBox1_MouseDown(Qt::MouseButtons buttons, const QPoint &position)
{
    if (buttons & Qt::RightButton)
        yjcd->popup(position);
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RichTextBox1->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        RichTextBox1_MouseDown(press->buttons() | press->button(),
                               press->globalPosition().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quarnex
