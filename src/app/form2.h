// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comparator/comparison.h"

#include "layout.h"
#include "platform/filedialog.h"

#include <QStringList>
#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;

namespace quarnex {

class RichEdit;

// The comparator window: the paper beside a reference text, compared offline; every sentence of
// the reference found in the paper is coloured red there.
class Form2 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)

public:
    Form2(const QString &paper, ComparatorTotals &totals, QWidget *parent = nullptr);

    // Controls, by their designer names (also their objectName).
    RichEdit *RichTextBox1 = nullptr; // the paper, repeats marked red
    RichEdit *RichTextBox2 = nullptr; // the reference text
    QLabel *Label1 = nullptr;         // the totals of the comparison
    QCheckBox *Check1 = nullptr;      // 多次标注: keep earlier marks and totals
    QPushButton *Command1 = nullptr;  // 对比并标注: compare and mark
    FileDialog CommonDialog1;         // Save
    QMenu *yjcd = nullptr;            // the paper's context menu
    // 保存, 撤销, 剪切, 复制, 粘贴, 删除, 全选
    QAction *baocun = nullptr, *cx = nullptr, *jq = nullptr, *fz = nullptr, *nt = nullptr,
            *sc = nullptr, *qx = nullptr;

    // The reference of the last comparison.
    QString referenceText;
    QStringList referenceSentences;

    void Form_Resize();
    void Command1_Click();
    void RichTextBox1_MouseDown(Qt::MouseButtons buttons, const QPoint &position);

    const TwipsLayout &layoutTwips() const { return m_layout; }

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenu();

    ComparatorTotals &m_totals;
    TwipsLayout m_layout;
};

} // namespace quarnex
