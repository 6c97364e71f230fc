// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"
#include "app/form2.h"
#include "comparator/comparison.h"
#include "documents/rtf.h"
#include "fakesearchbrowser.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);

} // namespace

class TstForm2 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void marksKeptWhileTicked();
    void marksResetWhenUnticked();
    void openingCopiesThePaperPopupAndLayout();
    void pasteOverASelectionUndoesInOneStep();
    void ctrlSSavesOnce_data();
    void ctrlSSavesOnce();

private:
    Form2 *open(const QString &paper);

    std::unique_ptr<Form1> main;
};

void TstForm2::init()
{
    MessageBox::setScripted(true);
    FileDialog::setScripted(true);
    Form1Settings settings;
    settings.makeBrowser = [](QObject *parent) { return new FakeSearchBrowser(parent); };
    main = std::make_unique<Form1>(std::move(settings));
}

Form2 *TstForm2::open(const QString &paper)
{
    main->RichTextBox1->setText(paper);
    main->Command6->click();
    Form2 *form = main->comparator();
    form->show();
    return form;
}

void TstForm2::marksKeptWhileTicked()
{
    // 「城市绿地很重要，」 (8 characters) stands three times in the paper, twice back to back.
    const QString paper = u"城市绿地很重要，城市绿地很重要，甲。城市绿地很重要，居民生活更健康。"_s;
    Form2 *form = open(paper);
    form->RichTextBox2->setText(u"城市绿地很重要，"_s);
    form->Command1->click();
    QCOMPARE(form->Label1->text(), comparisonMessage(paper.size(), 2, 1, 8, 24, 100));
    for (int at : {0, 8, 18, 25})
        QCOMPARE(form->RichTextBox1->colourAt(at), red);
    QCOMPARE(form->RichTextBox1->colourAt(16), black);
    // The selection ends where the comparison says the last mark is.
    QCOMPARE(form->RichTextBox1->SelStart(), 18);
    QCOMPARE(form->RichTextBox1->SelLength(), 8);

    // A second reference: the first marks stay; line 1 and X sum both, Y is the second's.
    form->RichTextBox2->setText(u"居民生活更健康。"_s);
    form->Command1->click();
    QCOMPARE(form->Label1->text(), comparisonMessage(paper.size(), 2, 2, 16, 47, 100));
    QCOMPARE(form->RichTextBox1->colourAt(paper.size() - 1), red);
    QCOMPARE(form->referenceSentences, QStringList{u"居民生活更健康。"_s});
}

// Unticked, each compare starts from black and the line speaks of that compare alone.
void TstForm2::marksResetWhenUnticked()
{
    const QString paper = u"城市绿地很重要，六个字的句子"_s + QString(34, u'文');
    Form2 *form = open(paper);
    form->Check1->setChecked(false);
    form->RichTextBox2->setText(u"城市绿地很重要，"_s);
    form->Command1->click();
    form->RichTextBox2->setText(u"六个字的句子"_s);
    form->Command1->click();
    QCOMPARE(form->RichTextBox1->colourAt(0), black);
    QCOMPARE(form->RichTextBox1->colourAt(8), red);
    QCOMPARE(form->Label1->text(), comparisonMessage(48, 0, 1, 6, 12, 100));
    // The totals grew all the same, and outlive the window.
    form->close();
    QCOMPARE(main->comparatorTotals.repeatedChars, 14);
}

void TstForm2::openingCopiesThePaperPopupAndLayout()
{
    Form2 *form = open(u"第一稿。"_s);
    QCOMPARE(form->RichTextBox1->Text(), u"第一稿。"_s);
    QCOMPARE(form->RichTextBox2->Text(), u"对比的文字"_s);
    QCOMPARE(form->windowTitle(), u"Quarnex-对比器"_s);
    // Opening again while open keeps what was typed there.
    form->RichTextBox1->setText(u"改过的。"_s);
    main->duibiqi->trigger();
    QCOMPARE(main->comparator()->RichTextBox1->Text(), u"改过的。"_s);
    // Closed and opened again, it copies the main editor anew.
    QPointer<Form2> closed = form;
    form->close();
    QTRY_VERIFY(!closed);
    form = open(u"第二稿。"_s);
    QCOMPARE(form->RichTextBox1->Text(), u"第二稿。"_s);

    // The two editors share the width; too small for the margins, the sizes stay.
    const QSize frame = form->frameGeometry().size() - form->geometry().size();
    const QSize allowance = frame.isEmpty() ? QSize(16, 39) : frame;
    const auto &layout = form->layoutTwips();
    form->resize(layout.toPixels(9300) - allowance.width(), form->height());
    QTRY_COMPARE(layout.outerTwips(form).width(), 9300);
    QCOMPARE(layout.twips(form->RichTextBox1).width(), 4350);
    QCOMPARE(layout.twips(form->RichTextBox2).width(), 4350);
    QCOMPARE(layout.twips(form->RichTextBox2).left(), 4650);
    form->resize(20, 20);
    QTRY_VERIFY(layout.outerTwips(form).height() < 1600);
    QCOMPARE(layout.twips(form->RichTextBox1).width(), 4350);

    // The popup belongs to the paper only.
    QTest::mouseClick(form->RichTextBox2->viewport(), Qt::RightButton);
    QVERIFY(!form->yjcd->isVisible());
    QTest::mousePress(form->RichTextBox1->viewport(), Qt::RightButton);
    QTRY_VERIFY(form->yjcd->isVisible());
    form->yjcd->close();
}

void TstForm2::pasteOverASelectionUndoesInOneStep()
{
    Form2 *form = open(u"城市绿地很重要。"_s);
    QGuiApplication::clipboard()->setText(u"公园\n"_s);
    form->RichTextBox1->setSelStart(2);
    form->RichTextBox1->setSelLength(2);
    form->nt->trigger();
    QCOMPARE(form->RichTextBox1->Text(), u"城市公园\r\n很重要。"_s);
    form->cx->trigger();
    QCOMPARE(form->RichTextBox1->Text(), u"城市绿地很重要。"_s);
}

void TstForm2::ctrlSSavesOnce_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("paper box") << u"RichTextBox1"_s;
    QTest::newRow("window") << u"Form2"_s;
}

// The key is the window's, not only the hidden menu's; one press saves once.
void TstForm2::ctrlSSavesOnce()
{
    QFETCH(QString, focus);
    Form2 *form = open(u"第一稿。"_s);
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QWidget *focused = form->objectName() == focus ? form : form->findChild<QWidget *>(focus);
    focused->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), focused);

    // A second save from the same press would take the second answer.
    QTemporaryDir dir;
    FileDialog::queueAnswer(dir.filePath(u"first.rtf"_s));
    FileDialog::queueAnswer(dir.filePath(u"second.rtf"_s));
    QTest::keyClick(form, Qt::Key_S, Qt::ControlModifier);
    QFile file(dir.filePath(u"first.rtf"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    QVERIFY(readRtf(file.readAll(), &document));
    QCOMPARE(document.toPlainText(), u"第一稿。"_s);
    QVERIFY(!QFile::exists(dir.filePath(u"second.rtf"_s)));
    QCOMPARE(form->RichTextBox1->Text(), u"第一稿。"_s);
}

QTEST_MAIN(TstForm2)
#include "tst_form2.moc"
