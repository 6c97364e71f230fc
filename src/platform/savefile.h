// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace quarnex {

// What a save did to the file it was asked to write.
enum class SaveOutcome {
    Written,        // the file now holds exactly the new bytes
    OldFileKept,    // nothing was replaced: the file that stood there is as it was
    NothingWritten, // there was no file, and there still is none
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::NothingWritten;
    QString error; // the system's reason when the save failed
};

// Writes the bytes to a new file beside the target, checks every write, flushes it to the disk
// and confirms its size, and only then renames it over the target; so a full disk or a failed
// device leaves either the complete new file or the old one untouched, never a cut-off file.
// A link is written through (its target is replaced); the file keeps the old one's permissions,
// a new file gets the usual ones (0666 less the umask).
SaveResult saveFileSafely(const QString &path, const QByteArray &bytes);

} // namespace quarnex
