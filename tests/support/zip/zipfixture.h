// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <utility>

namespace quarnex::testing {

// How the entries of a zip made here are packed.
enum class ZipPacking { Deflated, Stored };

// A zip in memory holding the entries, in order: the container of .docx and .odt documents,
// for tests, fuzzing and benchmarks.
QByteArray zipOf(const QList<std::pair<const char *, QByteArray>> &entries,
                 ZipPacking packing = ZipPacking::Deflated);

} // namespace quarnex::testing
