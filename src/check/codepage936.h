// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

namespace quarnex {

// "Double-byte" means that Windows code page 936 encodes the character in two bytes: Chinese
// characters, full-width punctuation, the ideographic space, the private-use characters
// U+E000–U+E864. ASCII, U+20AC (single byte 0x80), surrogates and characters code page 936
// cannot encode are not. The table behind it is built once, on first use, from Qt's GBK decoder.
bool isDoubleByte(QChar c);

// The number of double-byte characters of the text.
qsizetype countDoubleByte(QStringView text);

} // namespace quarnex
