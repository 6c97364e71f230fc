// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison.h"

#include "check/numbers.h"
#include "check/textterms.h"

#include <QHashSeed>

#include <algorithm>
#include <bit>
#include <limits>
#include <numeric>
#include <optional>
#include <span>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace quarnex {
namespace {

// Shorter sentences, "是的，" and the like, would match nearly any paper; they are not searched.
constexpr qsizetype shortestSearched = 6;
// Candidates are found by the first characters of a sentence; every searched sentence has them.
constexpr qsizetype keyLength = shortestSearched;

// Polynomial hashes mod 2^64 (unsigned wrap-around). They only pick candidates: every hit is
// confirmed by comparing the characters, so a collision costs time, never a wrong mark.
constexpr quint64 hashBase = 0x9E3779B97F4A7C15ULL;

quint64 hashOf(QStringView text)
{
    quint64 h = 0;
    for (QChar c : text)
        h = h * hashBase + c.unicode();
    return h;
}

// The hash of every slice of the paper in O(1): prefix[i] is the hash of its first i units.
class PaperHashes {
public:
    PaperHashes(QStringView paper, qsizetype longest)
        : prefix(static_cast<std::size_t>(paper.size()) + 1),
          powers(static_cast<std::size_t>(std::min(longest, paper.size())) + 1)
    {
        for (qsizetype i = 0; i < paper.size(); ++i)
            prefix[std::size_t(i + 1)] = prefix[std::size_t(i)] * hashBase + paper[i].unicode();
        powers[0] = 1;
        for (std::size_t i = 1; i < powers.size(); ++i)
            powers[i] = powers[i - 1] * hashBase;
    }

    // Hashes the slices of one length; its call gives what hashOf gives for
    // paper.sliced(start, length).
    struct OfLength {
        const quint64 *prefix;
        qsizetype length;
        quint64 scale;
        quint64 operator()(qsizetype start) const
        {
            return prefix[start + length] - prefix[start] * scale;
        }
    };
    OfLength ofLength(qsizetype length) const
    {
        return {prefix.data(), length, powers[std::size_t(length)]};
    }

private:
    std::vector<quint64> prefix;
    std::vector<quint64> powers;
};

// Spreads a 64-bit key over the slots of a table. The rolling hashes are linear in the text,
// so a crafted paper could steer many keys into one run of slots; Qt's per-process seed and
// a mixing step keep that from being planned.
std::size_t spread(quint64 key, std::size_t seed)
{
    key ^= seed;
    key ^= key >> 33;
    key *= 0xFF51AFD7ED558CCDULL;
    key ^= key >> 33;
    key *= 0xC4CEB9FE1A85EC53ULL;
    key ^= key >> 33;
    return std::size_t(key);
}

std::size_t slotCountFor(std::size_t entries)
{
    return std::bit_ceil(2 * entries + 16);
}

// A map from 64-bit keys to indexes, for at most the number of entries it was made for. Every
// position of the paper asks it once; with QHash and Qt's string hash those look-ups took
// most of a comparison's time.
class KeyTable {
public:
    explicit KeyTable(std::size_t entries)
        : slots(slotCountFor(entries)), mask(slots.size() - 1), seed(QHashSeed::globalSeed())
    {}

    // The index stored under the key, or -1.
    qsizetype find(quint64 key) const
    {
        for (std::size_t i = spread(key, seed) & mask;; i = (i + 1) & mask) {
            if (slots[i].value < 0 || slots[i].key == key)
                return slots[i].value;
        }
    }

    // The index stored under the key; `value` is stored first when there is none.
    qsizetype insert(quint64 key, qsizetype value)
    {
        for (std::size_t i = spread(key, seed) & mask;; i = (i + 1) & mask) {
            if (slots[i].value < 0)
                slots[i] = {key, value};
            if (slots[i].key == key)
                return slots[i].value;
        }
    }

private:
    struct Slot {
        quint64 key = 0;
        qsizetype value = -1;
    };
    std::vector<Slot> slots;
    std::size_t mask;
    std::size_t seed;
};

// The paper's suffix automaton: where a text first and last starts in the paper, if anywhere,
// in one step per character of the text, however the paper is made. Walking the candidates
// instead costs the whole candidate list for every sentence length, which a reference of runs
// of one character against a paper of that character turns into the paper's length times
// hundreds, and a sentence found once costs its whole list all the same.
class PaperAutomaton {
public:
    explicit PaperAutomaton(QStringView paper)
        // A text of n units has at most 2n states and 3n transitions.
        : slots(slotCountFor(3 * std::size_t(paper.size()))), mask(slots.size() - 1),
          seed(QHashSeed::globalSeed())
    {
        states.reserve(2 * std::size_t(paper.size()) + 1);
        states.push_back({0, -1, -1, -1});
        for (QChar c : paper)
            extend(c.unicode());
        spreadLastEnds();
    }

    struct Starts {
        qsizetype first;
        qsizetype last;
    };
    std::optional<Starts> starts(QStringView text) const
    {
        qint32 state = 0;
        for (QChar c : text) {
            const qint32 *next = target(state, c.unicode());
            if (!next)
                return std::nullopt;
            state = *next;
        }
        const State &found = states[std::size_t(state)];
        return Starts{found.firstEnd - text.size() + 1, found.lastEnd - text.size() + 1};
    }

private:
    static constexpr quint32 noEdge = ~0U;
    // A state stands for the texts that end at the same places in the paper; firstEnd and
    // lastEnd are the first and last of those places. Most states have one transition, kept
    // in the state itself, where the walk along the links already reads; the others are in
    // the table.
    struct State {
        qint32 length;
        qint32 link;
        qint32 firstEnd;
        qint32 lastEnd;
        qint32 firstTo = -1;
        char16_t firstUnit = 0;
        quint32 moreEdges = noEdge; // linked through Edge::next
    };
    struct Edge {
        qint32 from;
        qint32 to;
        quint32 next;
        char16_t unit;
    };

    std::size_t slotOf(qint32 from, char16_t unit) const
    {
        return spread(quint64(from) << 16 | unit, seed) & mask;
    }

    // Where the transition from `from` on `unit` leads; null when there is none.
    const qint32 *target(qint32 from, char16_t unit) const
    {
        const State &state = states[std::size_t(from)];
        if (state.firstTo >= 0 && state.firstUnit == unit)
            return &state.firstTo;
        if (state.moreEdges == noEdge)
            return nullptr;
        // Slots hold an index into edges plus one, 0 when empty.
        for (std::size_t i = slotOf(from, unit); slots[i] != 0; i = (i + 1) & mask) {
            const Edge &edge = edges[slots[i] - 1];
            if (edge.from == from && edge.unit == unit)
                return &edge.to;
        }
        return nullptr;
    }

    // The same, to change; valid until the next transition is added.
    qint32 *target(qint32 from, char16_t unit)
    {
        return const_cast<qint32 *>(std::as_const(*this).target(from, unit));
    }

    void add(qint32 from, char16_t unit, qint32 to)
    {
        State &state = states[std::size_t(from)];
        if (state.firstTo < 0) {
            state.firstTo = to;
            state.firstUnit = unit;
            return;
        }
        edges.push_back({from, to, state.moreEdges, unit});
        state.moreEdges = quint32(edges.size() - 1);
        std::size_t i = slotOf(from, unit);
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = quint32(edges.size());
    }

    // The textbook construction, one unit at a time.
    void extend(char16_t unit)
    {
        const auto current = qint32(states.size());
        const qint32 end = states[std::size_t(last)].length;
        states.push_back({end + 1, 0, end, end});
        qint32 p = last;
        last = current;
        for (; p >= 0 && !target(p, unit); p = states[std::size_t(p)].link)
            add(p, unit, current);
        if (p < 0)
            return;
        const qint32 q = *target(p, unit);
        if (states[std::size_t(p)].length + 1 == states[std::size_t(q)].length) {
            states[std::size_t(current)].link = q;
            return;
        }
        // A clone ends where its original does, and its last end comes from the states whose
        // link leads to it (spreadLastEnds).
        const auto clone = qint32(states.size());
        const State original = states[std::size_t(q)];
        states.push_back({states[std::size_t(p)].length + 1, original.link, original.firstEnd, -1});
        add(clone, original.firstUnit, original.firstTo);
        for (quint32 e = original.moreEdges; e != noEdge; e = edges[e].next)
            add(clone, edges[e].unit, edges[e].to);
        for (; p >= 0; p = states[std::size_t(p)].link) {
            qint32 *to = target(p, unit);
            if (*to != q)
                break;
            *to = clone;
        }
        states[std::size_t(q)].link = clone;
        states[std::size_t(current)].link = clone;
    }

    // A text ends wherever a longer one whose state links to its state ends: longest first,
    // each state hands its last end on along its link.
    void spreadLastEnds()
    {
        std::vector<qint32> byLength(states.size());
        std::vector<qint32> count(std::size_t(states[std::size_t(last)].length) + 2, 0);
        for (const State &state : states)
            ++count[std::size_t(state.length) + 1];
        std::partial_sum(count.begin(), count.end(), count.begin());
        for (std::size_t i = 0; i < states.size(); ++i)
            byLength[std::size_t(count[std::size_t(states[i].length)]++)] = qint32(i);
        for (auto it = byLength.rbegin(); it != byLength.rend(); ++it) {
            const State &state = states[std::size_t(*it)];
            if (state.link >= 0) {
                qint32 &lastEnd = states[std::size_t(state.link)].lastEnd;
                lastEnd = std::max(lastEnd, state.lastEnd);
            }
        }
    }

    std::vector<State> states;
    std::vector<Edge> edges;
    std::vector<quint32> slots;
    std::size_t mask;
    std::size_t seed;
    qint32 last = 0;
};

struct Distinct {
    QStringView text;
    quint64 hash = 0;
    qsizetype group = 0;     // index of the candidate list of its first characters
    qsizetype sameHash = -1; // the next distinct sentence with the same hash
    // Where it may start: anywhere, or, once the automaton has looked, between its first and
    // its last occurrence.
    qsizetype firstStart = 0;
    qsizetype lastStart = std::numeric_limits<qsizetype>::max();
    std::vector<qsizetype> found{}; // its non-overlapping occurrences, left to right
};

// The occurrences the plain search would find for one sentence: the first, then the next one
// starting at or after its end, and so on. `candidates` holds, ascending, every position where
// the sentence's first characters stand, so every occurrence is one of them.
void searchAlone(QStringView paper, const PaperHashes &hashes,
                 const std::vector<qsizetype> &candidates, Distinct &sentence)
{
    const qsizetype length = sentence.text.size();
    const qsizetype lastStart = std::min(paper.size() - length, sentence.lastStart);
    const auto sliceHash = hashes.ofLength(length);
    auto it = std::lower_bound(candidates.begin(), candidates.end(), sentence.firstStart);
    while (it != candidates.end() && *it <= lastStart) {
        const qsizetype at = *it++;
        if (sliceHash(at) != sentence.hash || paper.sliced(at, length) != sentence.text)
            continue;
        sentence.found.push_back(at);
        // In a run like "aaaa…" nearly every candidate matches; jumping past the occurrence
        // makes one step per occurrence rather than one per position. Candidates are distinct
        // ascending positions, so the first one at or after the end is at most `length`
        // entries ahead.
        const auto windowEnd = candidates.end() - it > length ? it + length : candidates.end();
        it = std::lower_bound(it, windowEnd, at + length);
    }
}

// The same for several sentences that share their first characters and their length, in one
// pass over their candidates, so that a thousand sentences alike cost about what one does.
// `family` is sorted by hash, so each position leads straight to the members it may start.
void searchFamily(QStringView paper, const PaperHashes &hashes,
                  const std::vector<qsizetype> &candidates, std::span<const qsizetype> family,
                  std::vector<Distinct> &distinct)
{
    if (family.size() == 1) {
        searchAlone(paper, hashes, candidates, distinct[std::size_t(family.front())]);
        return;
    }
    const qsizetype length = distinct[std::size_t(family.front())].text.size();
    const qsizetype lastPossible = paper.size() - length;
    std::vector<quint64> familyHashes;
    // The stretches where some member may start, merged: members found once each, here and
    // there, leave the candidates between them unvisited.
    std::vector<std::pair<qsizetype, qsizetype>> stretches;
    for (qsizetype id : family) {
        const Distinct &sentence = distinct[std::size_t(id)];
        familyHashes.push_back(sentence.hash);
        stretches.emplace_back(sentence.firstStart, std::min(sentence.lastStart, lastPossible));
    }
    std::sort(stretches.begin(), stretches.end());
    std::vector<qsizetype> resumeAt(family.size(), 0);
    const auto sliceHash = hashes.ofLength(length);
    auto it = candidates.begin();
    for (auto stretch = stretches.begin(); stretch != stretches.end();) {
        const qsizetype from = stretch->first;
        qsizetype to = stretch->second;
        for (++stretch; stretch != stretches.end() && stretch->first <= to; ++stretch)
            to = std::max(to, stretch->second);
        for (it = std::lower_bound(it, candidates.end(), from); it != candidates.end() && *it <= to;
             ++it) {
            const qsizetype at = *it;
            const auto [first, last] =
                std::equal_range(familyHashes.begin(), familyHashes.end(), sliceHash(at));
            for (auto hit = first; hit != last; ++hit) {
                const auto member = std::size_t(hit - familyHashes.begin());
                Distinct &sentence = distinct[std::size_t(family[member])];
                if (at >= resumeAt[member] && paper.sliced(at, length) == sentence.text) {
                    sentence.found.push_back(at);
                    resumeAt[member] = at + length;
                }
            }
        }
    }
}

} // namespace

QString normaliseReference(QStringView reference)
{
    // Order matters: ASCII marks become full-width before the full-width marks get their line
    // break, so "a,b" gives "a，\r\nb" and not a doubled break; the blanks are stripped from the
    // ends of lines only after every break is in place.
    static const QStringView steps[][2] = {
        {u",", u"，"},
        {u"，", u"，\r\n"},
        {u".", u"。"},
        {u"。", u"。\r\n"},
        {u"！", u"！\r\n"},
        {u"!", u"！\r\n"},
        {u"？", u"？\r\n"},
        {u"?", u"？\r\n"},
        {u"\u2026\u2026", u"\u2026\u2026\r\n"},
        {u"  \r\n", u"\r\n"},
        {u" \r\n", u"\r\n"},
        {u"\u3000\u3000\r\n", u"\r\n"},
        {u"\u3000\r\n", u"\r\n"},
        {u"\t\r\n", u"\r\n"},
    };
    QString text = reference.toString();
    for (const auto &step : steps)
        text = replaceAll(text, step[0], step[1]);
    return text;
}

QStringList cutReferenceSentences(QStringView normalised)
{
    QStringList sentences;
    qsizetype begin = 0;
    while (begin <= normalised.size()) {
        qsizetype end = normalised.indexOf(lineBreak, begin);
        if (end < 0)
            end = normalised.size();
        const QStringView piece = normalised.sliced(begin, end - begin);
        // Dropping the ideographic spaces and trimming the ASCII ones leaves nothing exactly
        // when the piece holds nothing else; "\t " is kept, untouched.
        if (!isBlankLine(piece))
            sentences.append(piece.toString());
        begin = end + lineBreak.size();
    }
    return sentences;
}

Comparison compareWithReference(QStringView paper, QStringView reference)
{
    Comparison result;
    result.referenceSentences = cutReferenceSentences(normaliseReference(reference));
    result.referenceText = result.referenceSentences.join(lineBreak);
    if (paper.isEmpty())
        return result;

    // A sentence may stand several times in the reference; it is searched once and its
    // occurrences are reused for every repetition. Groups go by the hash of the first
    // characters: two starts with one hash share a candidate list, which costs a few more
    // candidates and never a wrong mark.
    std::vector<Distinct> distinct;
    std::vector<qsizetype> distinctOf(std::size_t(result.referenceSentences.size()), -1);
    KeyTable distinctIndex(std::size_t(result.referenceSentences.size()));
    KeyTable groupIndex(std::size_t(result.referenceSentences.size()));
    qsizetype groupCount = 0;
    qsizetype longest = 0;
    for (qsizetype i = 0; i < result.referenceSentences.size(); ++i) {
        const QStringView text = result.referenceSentences.at(i);
        if (text.size() < shortestSearched || text.size() > paper.size())
            continue;
        const quint64 hash = hashOf(text);
        const auto next = qsizetype(distinct.size());
        qsizetype id = distinctIndex.insert(hash, next);
        while (id != next && distinct[std::size_t(id)].text != text) {
            Distinct &alike = distinct[std::size_t(id)];
            if (alike.sameHash < 0)
                alike.sameHash = next;
            id = alike.sameHash;
        }
        if (id == next) {
            const qsizetype group = groupIndex.insert(hashOf(text.first(keyLength)), groupCount);
            groupCount += group == groupCount ? 1 : 0;
            distinct.push_back({text, hash, group});
            longest = std::max(longest, text.size());
        }
        distinctOf[std::size_t(i)] = id;
    }
    if (distinct.empty())
        return result;

    // One pass over the paper finds, for every group of sentences sharing their first
    // characters, where those characters stand.
    const PaperHashes hashes(paper, longest);
    std::vector<std::vector<qsizetype>> candidates(static_cast<std::size_t>(groupCount));
    const auto keyHash = hashes.ofLength(keyLength);
    for (qsizetype at = 0; at + keyLength <= paper.size(); ++at) {
        const qsizetype group = groupIndex.find(keyHash(at));
        if (group >= 0)
            candidates[std::size_t(group)].push_back(at);
    }

    // Families of sentences with the same first characters and the same length, each sorted
    // by hash: however many sentences share a start, each family walks its list once.
    std::vector<qsizetype> order(distinct.size());
    std::iota(order.begin(), order.end(), 0);
    const auto familyOf = [&](qsizetype id) {
        const Distinct &d = distinct[std::size_t(id)];
        return std::pair(d.group, d.text.size());
    };
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return std::pair(familyOf(a), distinct[std::size_t(a)].hash) <
               std::pair(familyOf(b), distinct[std::size_t(b)].hash);
    });
    const auto forEachFamily = [&](const auto &visit) {
        for (auto begin = order.begin(); begin != order.end();) {
            const auto family = familyOf(*begin);
            const auto end = std::find_if(begin, order.end(),
                                          [&](qsizetype id) { return familyOf(id) != family; });
            visit(std::span(begin, end), candidates[std::size_t(family.first)]);
            begin = end;
        }
    };

    // Many lengths sharing first characters that stand all over the paper make the walks
    // cost the paper's length many times over. Then the automaton drops the sentences that
    // stand nowhere in the paper, usually most of them, and keeps the others' walks between
    // their first and last occurrence: a walk step costs a few nanoseconds, the automaton
    // about a hundred per character of the paper.
    qsizetype walkSteps = 0;
    forEachFamily(
        [&](auto, const std::vector<qsizetype> &list) { walkSteps += qsizetype(list.size()); });
    if (walkSteps > 32 * paper.size()) {
        const PaperAutomaton automaton(paper);
        std::erase_if(order, [&](qsizetype id) {
            Distinct &sentence = distinct[std::size_t(id)];
            const auto starts = automaton.starts(sentence.text);
            if (starts) {
                sentence.firstStart = starts->first;
                sentence.lastStart = starts->last;
            }
            return !starts;
        });
    }
    forEachFamily([&](std::span<const qsizetype> family, const std::vector<qsizetype> &list) {
        searchFamily(paper, hashes, list, family, distinct);
    });

    // The counts go by reference sentence, repetitions included; the marks by distinct
    // sentence, at its first place in the reference.
    std::vector<bool> marked(distinct.size(), false);
    qsizetype markCount = 0;
    for (const Distinct &sentence : distinct)
        markCount += qsizetype(sentence.found.size());
    result.marks.reserve(markCount);
    for (qsizetype id : distinctOf) {
        if (id < 0)
            continue;
        const Distinct &sentence = distinct[std::size_t(id)];
        if (sentence.found.empty())
            continue;
        result.repeatedChars += sentence.text.size();
        result.repeatedSentences += 1;
        result.extraOccurrences += qint64(sentence.found.size()) - 1;
        result.lastMarked = {sentence.found.back(), sentence.text.size()};
        if (marked[std::size_t(id)])
            continue;
        marked[std::size_t(id)] = true;
        for (qsizetype at : sentence.found)
            result.marks.append({at, sentence.text.size()});
    }
    return result;
}

qint64 percentOf(qint64 part, qint64 whole)
{
    return roundedHundredths(part, whole).value_or(0);
}

QString comparisonMessage(qint64 paperLength, qint64 paragraphs, qint64 sentences,
                          qint64 characters, qint64 share, qint64 similarity)
{
    return u"你的文章一共 "_s + QString::number(paperLength) + u" 字，重复 "_s +
           QString::number(paragraphs) + u" 段， "_s + QString::number(sentences) + u" 句， "_s +
           QString::number(characters) + u" 字"_s + u"\r\n"_s +
           u"        重复部分占你的文章的： "_s + QString::number(share) + u" %"_s + u"\r\n"_s +
           u"        与参考文章的相似度为： "_s + QString::number(similarity) + u" %"_s;
}

} // namespace quarnex
