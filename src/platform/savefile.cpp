// SPDX-License-Identifier: GPL-3.0-or-later
#include "savefile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarnex {
using namespace Qt::StringLiterals;

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            // A device that takes nothing and names no error: report it as full.
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

SaveResult saveFileSafely(const QString &path, const QByteArray &bytes)
{
    QFileInfo target(path);
    if (target.isSymLink()) {
        const QString linked = target.symLinkTarget();
        if (!linked.isEmpty())
            target = QFileInfo(linked);
    }
    const QByteArray targetPath = QFile::encodeName(target.absoluteFilePath());
    struct stat old {};
    const bool existed = ::stat(targetPath.constData(), &old) == 0;
    SaveResult result;
    result.outcome = existed ? SaveOutcome::OldFileKept : SaveOutcome::NothingWritten;
    if (existed && !S_ISREG(old.st_mode)) {
        result.error = u"不是普通文件"_s;
        return result;
    }

    QByteArray temporary =
        QFile::encodeName(target.absolutePath() + u"/."_s + target.fileName() + u".XXXXXX"_s);
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        result.error = systemReason(errno);
        return result;
    }
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        result.error = systemReason(error);
        return result;
    };
    // mkstemp makes the file private; the saved paper gets the rights the old one had.
    const mode_t mode = existed ? (old.st_mode & 07777) : (0666 & ~currentUmask());
    if (::fchmod(fd, mode) != 0)
        return fail(errno);
    if (!writeAll(fd, bytes))
        return fail(errno);
    // Some file systems accept a write into their cache and fail only when it reaches the disk:
    // the data is forced out, and its size read back, before the old file is given up.
    if (::fsync(fd) != 0)
        return fail(errno);
    struct stat written {};
    if (::fstat(fd, &written) != 0)
        return fail(errno);
    if (written.st_size != off_t(bytes.size()))
        return fail(ENOSPC);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        result.error = systemReason(error);
        return result;
    }
    if (::rename(temporary.constData(), targetPath.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        result.error = systemReason(error);
        return result;
    }
    // The rename itself lives in the folder: made durable too, as far as the system allows.
    const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    result.outcome = SaveOutcome::Written;
    return result;
}

} // namespace quarnex
