#pragma once

#include <QWidget>

namespace quarnex {

// The comparator window: the paper beside a reference text, compared offline.
class Form2 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)

public:
    explicit Form2(QWidget *parent = nullptr);
};

} // namespace quarnex
