// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace quarnex {

// Every address the program hands to the desktop goes through here, so that tests can record
// them instead of launching a browser.
class Shell final {
public:
    // Opens an address in the system's browser. False when that fails.
    static bool openUrl(const QString &url);
    // Test support: while scripted, nothing is opened; addresses are recorded and the call
    // answers `succeeds`.
    static void setScripted(bool scripted, bool succeeds = true);
    static QStringList takeOpened();
};

} // namespace quarnex
