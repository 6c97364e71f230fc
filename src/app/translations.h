// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quarnex {

// Qt's own dialogs and buttons (Yes/No/OK, the file dialog) in Chinese, like the rest of the
// window: installs Qt's zh_CN translations. False when they are not installed.
bool installQtTranslations();

} // namespace quarnex
