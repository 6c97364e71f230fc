// SPDX-License-Identifier: GPL-3.0-or-later
#include "pdf.h"

#include <QDeadlineTimer>
#include <QVariant>

#include <poppler-qt6.h>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

// Poppler reads a damaged file as far as it can and says so on standard error; what the user
// needs to know comes back as the error of pdfText instead.
void quiet(const QString &, const QVariant &) {}

// A malformed file can keep the text extraction busy for a long time; a real thesis of
// several hundred pages takes a few seconds.
constexpr int textTimeoutMs = 60'000;

bool pastDeadline(const QVariant &deadline)
{
    return deadline.value<QDeadlineTimer>().hasExpired();
}

} // namespace

bool pdfText(const QByteArray &bytes, QString *text, QString *error)
{
    static const bool silenced = (Poppler::setDebugErrorFunction(quiet, QVariant()), true);
    Q_UNUSED(silenced);

    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document) {
        *error = u"PDF 文档已损坏，无法读取"_s;
        return false;
    }
    if (document->isLocked()) {
        *error = u"PDF 文档已加密，需要密码才能打开；请先用 PDF 阅读器去掉密码再打开"_s;
        return false;
    }
    const int count = document->numPages();
    if (count <= 0) {
        *error = u"PDF 文档已损坏，找不到任何页面"_s;
        return false;
    }
    const QVariant deadline = QVariant::fromValue(QDeadlineTimer(textTimeoutMs));
    QList<PdfPage> pages;
    pages.reserve(count);
    bool anyText = false;
    for (int i = 0; i < count; ++i) {
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page) {
            *error = u"PDF 文档已损坏，第 %1 页无法读取"_s.arg(i + 1);
            return false;
        }
        QList<PdfWord> words;
        for (const std::unique_ptr<Poppler::TextBox> &box :
             page->textList(Poppler::Page::Rotate0, pastDeadline, deadline))
            words.append({box->text(), box->boundingBox(), box->hasSpaceAfter()});
        if (pastDeadline(deadline)) {
            *error = u"读取 PDF 文档超时，文档可能已损坏"_s;
            return false;
        }
        PdfPage read{page->pageSizeF(), pdfLines(words)};
        anyText = anyText || !read.lines.isEmpty();
        pages.append(std::move(read));
    }
    if (!anyText) {
        *error = u"这个 PDF 文档没有文字层（可能是扫描的图片），无法取出文字；"
                 u"请打开论文的原始文件，或先用文字识别软件处理"_s;
        return false;
    }
    *text = pdfPageText(pages);
    return true;
}

} // namespace quarnex
