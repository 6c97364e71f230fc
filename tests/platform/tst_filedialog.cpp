// SPDX-License-Identifier: GPL-3.0-or-later
// The real dialog, as a user meets it: Qt's own widget dialog, answered by pressing Enter.
#include "platform/filedialog.h"
#include "platform/savefile.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace quarnex;

namespace {

const QString filter = u"WORD文档(*.doc)|*.doc|文本文件(*.txt)|*.txt|写字板文件(*.rtf)|*.rtf"_s;

// Runs `show` while the dialog it opens is read and accepted with Enter; gives the name the
// dialog showed when it came up.
QString nameShownThenAccepted(const std::function<bool()> &show)
{
    QString shown;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        auto *edit = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        shown = edit ? edit->text() : u"(no name box)"_s;
        QTest::keyClick(edit ? static_cast<QWidget *>(edit) : dialog, Qt::Key_Return);
    });
    poll.start();
    if (!show())
        return shown + u" (cancelled)"_s;
    return shown;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TstFileDialog final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { FileDialog::setScripted(false); }
    void saveStartsWithExactlyTheNameChosenLast_data();
    void saveStartsWithExactlyTheNameChosenLast();
    void savedFileKeepsItsRightsAndItsLink();
};

void TstFileDialog::saveStartsWithExactlyTheNameChosenLast_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filterIndexLeftByOpen");
    QTest::newRow("rtf after the .doc entry") << u"src.rtf"_s << 1;
    QTest::newRow("docx matches no entry") << u"论文.docx"_s << 1;
    QTest::newRow("doc after the .txt entry") << u"src.doc"_s << 2;
}

void TstFileDialog::saveStartsWithExactlyTheNameChosenLast()
{
    QFETCH(QString, name);
    QFETCH(int, filterIndexLeftByOpen);
    QTemporaryDir dir;
    FileDialog dialog;
    dialog.Filter = filter;
    dialog.FilterIndex = filterIndexLeftByOpen;
    dialog.FileName = dir.filePath(name);
    QCOMPARE(nameShownThenAccepted([&] { return dialog.ShowSave(nullptr); }), name);
    QCOMPARE(dialog.FileName, dir.filePath(name));
}

void TstFileDialog::savedFileKeepsItsRightsAndItsLink()
{
    QTemporaryDir dir;
    const QString paper = dir.filePath(u"论文.rtf"_s);
    QCOMPARE(saveFileSafely(paper, "{\\rtf1 a}").outcome, SaveOutcome::Written);
    struct stat made {};
    QCOMPARE(::stat(QFile::encodeName(paper).constData(), &made), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(made.st_mode & 0777, 0666 & ~mask);

    QVERIFY(QFile::setPermissions(paper, QFile::ReadOwner | QFile::WriteOwner));
    const QString link = dir.filePath(u"链接.rtf"_s);
    QVERIFY(QFile::link(paper, link));
    QCOMPARE(saveFileSafely(link, "{\\rtf1 b}").outcome, SaveOutcome::Written);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contentOf(paper), QByteArray("{\\rtf1 b}"));
    QCOMPARE(::stat(QFile::encodeName(paper).constData(), &made), 0);
    QCOMPARE(made.st_mode & 0777, mode_t(0600));

    const SaveResult failed = saveFileSafely(dir.filePath(u"无此文件夹/论文.rtf"_s), "x");
    QCOMPARE(failed.outcome, SaveOutcome::NothingWritten);
    QVERIFY(!failed.error.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_MAIN(TstFileDialog)
#include "tst_filedialog.moc"
