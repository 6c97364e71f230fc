// SPDX-License-Identifier: GPL-3.0-or-later
#include "codepage936.h"

#include <QByteArray>
#include <QStringDecoder>

#include <bitset>
#include <memory>

namespace quarnex {
namespace {

using Table = std::bitset<0x10000>;

constexpr bool isTrailByte(int b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Every lead byte 0x81–0xFE with every trail byte gives 126 × 190 = 23,940 pairs, and each of
// them decodes to a character of its own. Decoding them as one buffer takes about a millisecond;
// should a decoder ever answer a pair with anything but one character, the buffer would lose its
// alignment, so the pairs are then decoded one at a time.
std::unique_ptr<Table> buildTable()
{
    auto table = std::make_unique<Table>();
    QByteArray pairs;
    pairs.reserve(126 * 190 * 2);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (isTrailByte(trail)) {
                pairs.append(char(lead));
                pairs.append(char(trail));
            }
        }
    }
    const auto mark = [&table](const QString &decoded) {
        if (decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter)
            table->set(decoded[0].unicode());
    };
    QStringDecoder decoder("GBK");
    const QString all = decoder.decode(pairs);
    if (!decoder.hasError() && all.size() * 2 == pairs.size()) {
        for (QChar c : all) {
            if (c != QChar::ReplacementCharacter)
                table->set(c.unicode());
        }
    } else {
        for (qsizetype i = 0; i < pairs.size(); i += 2) {
            QStringDecoder single("GBK");
            mark(single.decode(QByteArrayView(pairs).sliced(i, 2)));
        }
    }
    // Windows writes the euro sign as the single byte 0x80.
    table->reset(0x20AC);
    return table;
}

const Table &doubleByteTable()
{
    static const std::unique_ptr<Table> table = buildTable();
    return *table;
}

} // namespace

bool isDoubleByte(QChar c)
{
    return doubleByteTable().test(c.unicode());
}

qsizetype countDoubleByte(QStringView text)
{
    const Table &table = doubleByteTable();
    qsizetype count = 0;
    for (QChar c : text)
        count += table.test(c.unicode()) ? 1 : 0;
    return count;
}

} // namespace quarnex
