// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quarnex {

class CheckRun;

// A check saved so that it can be opened again or carried on later (a .qxcheck file): JSON
// with a format name and version, holding the paper, its analysis, what every page showed, the
// result slots and the run's state, so that starting the run again goes on exactly where it
// stood.
struct CheckFile {
    static constexpr QStringView format = u"quarnex-check";
    static constexpr int version = 1;
    static constexpr QStringView suffix = u"qxcheck";

    QString paperName;
    // The paper as the editor held it (CR LF line breaks).
    QString paper;
    Analysis analysis;
    // The window's status and similarity lines as they were shown.
    QString line1;
    QString line2;
};

// The file of the run as it stands; the run's paper and analysis are taken from it, the rest of
// `file` as given.
QByteArray writeCheckFile(const CheckRun &run, const CheckFile &file);

// Reads a file written by writeCheckFile into `file` and `run` (the run is analysed anew and
// then given the saved state; nothing is sent). On any fault, a foreign or damaged file or one
// whose parts do not fit together, it returns the reason and changes neither.
std::optional<QString> readCheckFile(const QByteArray &bytes, CheckFile &file, CheckRun &run);

} // namespace quarnex
