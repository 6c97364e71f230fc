// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportpdf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

QFont reportFont(qreal points)
{
    // UMing first: Qt writes its glyphs into the PDF with their true characters, so the
    // report's text can be searched and copied.
    QFont font(QStringList{QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(points);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace

QByteArray reportPdf(const QString &html, const QString &title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Quarnex"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 18, 18, 12), QPageLayout::Millimeter));
        // Laid out once, for the writer itself, in pages that leave a line at the foot for the
        // page number: QTextDocument::print would lay the whole report out a second time.
        const qreal width = writer.width();
        const qreal footer = writer.resolution() / 3.0;
        const qreal pageHeight = writer.height() - footer;
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setDefaultFont(reportFont(10.5));
        document.setPageSize(QSizeF(width, pageHeight));
        document.setHtml(html);

        QPainter painter(&writer);
        const QFont numberFont = reportFont(8);
        for (int page = 0; page < document.pageCount(); ++page) {
            if (page > 0)
                writer.newPage();
            const QRectF shown(0, page * pageHeight, width, pageHeight);
            painter.save();
            painter.translate(0, -shown.top());
            document.drawContents(&painter, shown);
            painter.restore();
            painter.setFont(numberFont);
            painter.setPen(Qt::darkGray);
            const QString number =
                QString::number(page + 1) + u" / "_s + QString::number(document.pageCount());
            painter.drawText(QRectF(0, pageHeight, width, footer), Qt::AlignCenter, number);
        }
    }
    return bytes;
}

} // namespace quarnex
