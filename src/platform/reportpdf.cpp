// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportpdf.h"

#include <QBuffer>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace quarnex {

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
                                         QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
        QTextDocument document;
        QFont font(QStringList{QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC")});
        font.setPointSizeF(10.5);
        document.setDefaultFont(font);
        document.setHtml(html);
        document.print(&writer);
    }
    return bytes;
}

} // namespace quarnex
