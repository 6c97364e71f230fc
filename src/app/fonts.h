// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quarnex {

// The windows ask for 宋体 by name, as they were designed; this tells Qt which installed faces
// stand for it. Called once, before the first window is made.
void installFontSubstitutions();

} // namespace quarnex
