#include "app/form1.h"
#include "app/form2.h"
#include "documents/rtf.h"
#include "platform/fakesearchbrowser.h"
#include "platform/messagebox.h"
#include "platform/richedit.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);

QString message(int n, int p, int s, int c, int x, int y)
{
    return u"你的文章一共 %1 字，重复 %2 段， %3 句， %4 字\r\n        重复部分占你的文章的： %5 "
           u"%\r\n        与参考文章的相似度为： %6 %"_s.arg(n)
               .arg(p)
               .arg(s)
               .arg(c)
               .arg(x)
               .arg(y);
}

} // namespace

class TstForm2 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void marksKeptWhileTicked();
    void marksResetWhenUnticked();
    void shareRoundsToEven();
    void openingCopiesThePaper();
    void popupOnlyInThePaper();
    void saveWritesRtfWithTheLastRangeBlack();
    void layoutSharesTheWidth();

private:
    Form2 *open(const QString &paper);

    std::unique_ptr<Form1> main;
    ComparatorTotals totals;
};

void TstForm2::init()
{
    MessageBox::setScripted(true);
    FileDialog::setScripted(true);
    Form1Settings settings;
    settings.makeBrowser = [](QObject *parent) { return new FakeSearchBrowser(parent); };
    main = std::make_unique<Form1>(std::move(settings));
}

void TstForm2::cleanup()
{
    main.reset();
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
    QVERIFY(form->Check1->isChecked());
    form->RichTextBox2->setText(u"城市绿地很重要，"_s);
    form->Command1->click();
    QCOMPARE(form->Label1->text(), message(paper.size(), 2, 1, 8, 24, 100));
    for (int at : {0, 8, 18, 25})
        QCOMPARE(form->RichTextBox1->colourAt(at), red);
    QCOMPARE(form->RichTextBox1->colourAt(16), black);

    // A second reference: the first marks stay; line 1 and X sum both, Y is the second's.
    form->RichTextBox2->setText(u"居民生活更健康。"_s);
    form->Command1->click();
    QCOMPARE(form->Label1->text(), message(paper.size(), 2, 2, 16, 47, 100));
    QCOMPARE(form->RichTextBox1->colourAt(0), red);
    QCOMPARE(form->RichTextBox1->colourAt(paper.size() - 1), red);
    QCOMPARE(form->referenceSentences, QStringList{u"居民生活更健康。"_s});
}

void TstForm2::marksResetWhenUnticked()
{
    const QString paper = u"城市绿地很重要，居民生活更健康。"_s;
    Form2 *form = open(paper);
    form->Check1->setChecked(false);
    form->RichTextBox2->setText(u"城市绿地很重要，"_s);
    form->Command1->click();
    form->RichTextBox2->setText(u"居民生活更健康。"_s);
    form->Command1->click();
    QCOMPARE(form->RichTextBox1->colourAt(0), black);
    QCOMPARE(form->RichTextBox1->colourAt(8), red);
    QCOMPARE(form->Label1->text(), message(16, 0, 1, 8, 50, 100));
    // The totals grew all the same, and outlive the window.
    form->close();
    QCOMPARE(main->comparatorTotals.repeatedChars, 16);
}

void TstForm2::shareRoundsToEven()
{
    // 6 of 48 characters: 0.125 rounds to 0.12.
    Form2 *form = open(u"六个字的句子"_s + QString(42, u'文'));
    form->Check1->setChecked(false);
    form->RichTextBox2->setText(u"六个字的句子"_s);
    form->Command1->click();
    QVERIFY(form->Label1->text().contains(u"占你的文章的： 12 %"_s));
}

void TstForm2::openingCopiesThePaper()
{
    Form2 *form = open(u"第一稿。"_s);
    QCOMPARE(form->RichTextBox1->Text(), u"第一稿。"_s);
    QCOMPARE(form->RichTextBox2->Text(), u"对比的文字"_s);
    QCOMPARE(form->windowTitle(), u"Quarnex-对比器"_s);
    // Opening again while open keeps what was typed there.
    form->RichTextBox1->setText(u"改过的。"_s);
    main->duibiqi->trigger();
    QCOMPARE(main->comparator(), form);
    QCOMPARE(form->RichTextBox1->Text(), u"改过的。"_s);
    // Closed and opened again, it copies the main editor anew.
    QPointer<Form2> closed = form;
    form->close();
    QTRY_VERIFY(!closed);
    QCOMPARE(open(u"第二稿。"_s)->RichTextBox1->Text(), u"第二稿。"_s);
}

void TstForm2::popupOnlyInThePaper()
{
    Form2 *form = open(u"甲乙丙。"_s);
    QTest::mouseClick(form->RichTextBox2->viewport(), Qt::RightButton);
    QVERIFY(!form->yjcd->isVisible());
    QTest::mouseClick(form->RichTextBox1->viewport(), Qt::LeftButton);
    QVERIFY(!form->yjcd->isVisible());
    QTest::mousePress(form->RichTextBox1->viewport(), Qt::RightButton);
    QTRY_VERIFY(form->yjcd->isVisible());
    form->yjcd->close();
    QCOMPARE(form->qx->shortcut(), QKeySequence(u"Ctrl+A"_s));
    form->qx->trigger();
    form->sc->trigger();
    QVERIFY(form->RichTextBox1->Text().isEmpty());
}

void TstForm2::saveWritesRtfWithTheLastRangeBlack()
{
    Form2 *form = open(u"城市绿地很重要，甲城市绿地很重要，"_s);
    form->RichTextBox2->setText(u"城市绿地很重要，"_s);
    form->Command1->click();
    QTemporaryDir dir;
    FileDialog::queueAnswer(dir.filePath(u"paper.txt"_s));
    form->baocun->trigger();
    QFile file(dir.filePath(u"paper.txt"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QTextDocument document;
    QVERIFY(readRtf(rtf, &document));
    QTextCursor cursor(&document);
    cursor.setPosition(1);
    QCOMPARE(cursor.charFormat().foreground().color(), red);
    cursor.setPosition(10);
    QCOMPARE(cursor.charFormat().foreground().color(), black);
}

void TstForm2::layoutSharesTheWidth()
{
    Form2 *form = open(QString());
    const QSize frame = form->frameGeometry().size() - form->geometry().size();
    const QSize allowance = frame.isEmpty() ? QSize(16, 39) : frame;
    const auto &layout = form->layoutTwips();
    form->resize(layout.toPixels(9300) - allowance.width(), form->height());
    QTRY_COMPARE(layout.outerTwips(form).width(), 9300);
    QCOMPARE(layout.twips(form->RichTextBox1).width(), 4350);
    QCOMPARE(layout.twips(form->RichTextBox2).width(), 4350);
    QCOMPARE(layout.twips(form->RichTextBox2).left(), 4650);
    // Too small for the margins: the sizes stay as they were.
    form->resize(20, 20);
    QTRY_VERIFY(layout.outerTwips(form).height() < 1600);
    QCOMPARE(layout.twips(form->RichTextBox1).width(), 4350);
}

QTEST_MAIN(TstForm2)
#include "tst_form2.moc"
