#include "comparison.h"

#include "check/numbers.h"
#include "check/textterms.h"

#include <QHash>

#include <algorithm>
#include <numeric>
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

struct Distinct {
    QStringView text;
    quint64 hash = 0;
    qsizetype group = 0;          // index of the candidate list of its first characters
    std::vector<qsizetype> found; // its non-overlapping occurrences, left to right
};

// The occurrences the plain search would find for one sentence: the first, then the next one
// starting at or after its end, and so on. `candidates` holds, ascending, every position where
// the sentence's first characters stand, so every occurrence is one of them.
void searchAlone(QStringView paper, const PaperHashes &hashes,
                 const std::vector<qsizetype> &candidates, Distinct &sentence)
{
    const qsizetype length = sentence.text.size();
    const qsizetype lastStart = paper.size() - length;
    const auto sliceHash = hashes.ofLength(length);
    auto it = candidates.begin();
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
    const qsizetype lastStart = paper.size() - length;
    std::vector<quint64> familyHashes;
    for (qsizetype id : family)
        familyHashes.push_back(distinct[std::size_t(id)].hash);
    std::vector<qsizetype> resumeAt(family.size(), 0);
    const auto sliceHash = hashes.ofLength(length);
    for (qsizetype at : candidates) {
        if (at > lastStart)
            break;
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
    // occurrences are reused for every repetition.
    std::vector<Distinct> distinct;
    std::vector<qsizetype> distinctOf(std::size_t(result.referenceSentences.size()), -1);
    QHash<QStringView, qsizetype> distinctIndex;
    QHash<QStringView, qsizetype> groupIndex;
    qsizetype longest = 0;
    for (qsizetype i = 0; i < result.referenceSentences.size(); ++i) {
        const QStringView text = result.referenceSentences.at(i);
        if (text.size() < shortestSearched || text.size() > paper.size())
            continue;
        auto known = distinctIndex.constFind(text);
        if (known == distinctIndex.constEnd()) {
            const QStringView key = text.first(keyLength);
            auto group = groupIndex.constFind(key);
            if (group == groupIndex.constEnd())
                group = groupIndex.insert(key, groupIndex.size());
            known = distinctIndex.insert(text, qsizetype(distinct.size()));
            distinct.push_back({text, hashOf(text), group.value(), {}});
            longest = std::max(longest, text.size());
        }
        distinctOf[std::size_t(i)] = known.value();
    }
    if (distinct.empty())
        return result;

    // One pass over the paper finds, for every group of sentences sharing their first
    // characters, where those characters stand.
    std::vector<std::vector<qsizetype>> candidates(std::size_t(groupIndex.size()));
    for (qsizetype at = 0; at + keyLength <= paper.size(); ++at) {
        const auto group = groupIndex.constFind(paper.sliced(at, keyLength));
        if (group != groupIndex.constEnd())
            candidates[std::size_t(group.value())].push_back(at);
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
    const PaperHashes hashes(paper, longest);
    for (auto begin = order.begin(); begin != order.end();) {
        const auto family = familyOf(*begin);
        const auto end =
            std::find_if(begin, order.end(), [&](qsizetype id) { return familyOf(id) != family; });
        searchFamily(paper, hashes, candidates[std::size_t(family.first)], std::span(begin, end),
                     distinct);
        begin = end;
    }

    qsizetype markCount = 0;
    for (qsizetype id : distinctOf)
        markCount += id < 0 ? 0 : qsizetype(distinct[std::size_t(id)].found.size());
    result.marks.reserve(markCount);
    for (qsizetype id : distinctOf) {
        if (id < 0)
            continue;
        const Distinct &sentence = distinct[std::size_t(id)];
        if (sentence.found.empty())
            continue;
        for (qsizetype at : sentence.found)
            result.marks.append({at, sentence.text.size()});
        result.repeatedChars += sentence.text.size();
        result.repeatedSentences += 1;
        result.extraOccurrences += qint64(sentence.found.size()) - 1;
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
