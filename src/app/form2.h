// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

// The comparator's running totals: they grow with every comparison and last for the whole run
// of the program, across closing and reopening the window, so the main window keeps them.
struct ComparatorTotals {
    qint64 repeatedChars = 0;
    qint64 repeatedSentences = 0;
    qint64 extraOccurrences = 0;
};

// The comparator window: the paper beside a reference text, compared offline; every sentence of
// the reference found in the paper is coloured red there.
class Form2 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)

public:
    Form2(const QString &paper, ComparatorTotals &totals, QWidget *parent = nullptr);

    RichEdit *RichTextBox1 = nullptr;
    RichEdit *RichTextBox2 = nullptr;
    QLabel *Label1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QPushButton *Command1 = nullptr;
    FileDialog CommonDialog1;
    QMenu *yjcd = nullptr;
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
