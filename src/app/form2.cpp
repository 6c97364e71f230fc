#include "form2.h"

namespace quarnex {
using namespace Qt::StringLiterals;

Form2::Form2(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"Form2"_s);
    setWindowTitle(u"Quarnex-对比器"_s);
    // Closing unloads the window; the next opening builds it anew.
    setAttribute(Qt::WA_DeleteOnClose);
    // Inner area of 9300 × 7200 twips.
    resize(620, 480);
}

} // namespace quarnex
