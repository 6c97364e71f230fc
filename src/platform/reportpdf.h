// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace quarnex {

// The report page as an A4 PDF, laid out by Qt's own text engine, so that it needs no browser:
// only a QGuiApplication, which the offscreen platform gives without a display.
QByteArray reportPdf(const QString &html, const QString &title);

} // namespace quarnex
