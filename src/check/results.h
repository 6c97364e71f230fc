// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quarnex {

// The three parallel result lists of the check: the sentence with index i owns the slots
// 10·i to 10·i + 9, and one slot more (10·n) belongs to no sentence. An empty title or address
// is the empty string; an empty count is nullopt.
struct ResultSlots {
    static constexpr qsizetype perSentence = 10;

    QStringList titles;
    QStringList urls;
    QList<std::optional<qint64>> counts;

    // 10 × sentenceCount + 1 empty slots.
    static ResultSlots forSentences(qsizetype sentenceCount);

    qsizetype size() const { return titles.size(); }
};

} // namespace quarnex
