// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

namespace quarnex {

// A single-selection list that reports a user's click the way the check handlers expect: once
// per press on an entry, also on the entry already selected, and once per keyboard move of
// the selection. Selecting an entry by program emits nothing; the window runs its handler
// itself when the selection changes.
class ListBox final : public QListWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListBox)

public:
    explicit ListBox(QWidget *parent = nullptr);

Q_SIGNALS:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace quarnex
