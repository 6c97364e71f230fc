// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout.h"

#include <QWidget>

#include <cmath>

namespace quarnex {

void TwipsLayout::place(QWidget *widget, int left, int top, int width, int height)
{
    m_twips.insert(widget, QRect(left, top, width, height));
    apply(widget);
}

void TwipsLayout::setLeft(QWidget *widget, int left)
{
    m_twips[widget].moveLeft(left);
    apply(widget);
}

void TwipsLayout::setTop(QWidget *widget, int top)
{
    m_twips[widget].moveTop(top);
    apply(widget);
}

void TwipsLayout::setWidth(QWidget *widget, int width)
{
    if (width < 0)
        return;
    m_twips[widget].setWidth(width);
    apply(widget);
}

void TwipsLayout::setHeight(QWidget *widget, int height)
{
    if (height < 0)
        return;
    m_twips[widget].setHeight(height);
    apply(widget);
}

void TwipsLayout::setDpi(double dpi)
{
    m_dpi = dpi;
    for (auto it = m_twips.cbegin(); it != m_twips.cend(); ++it)
        apply(it.key());
}

int TwipsLayout::toPixels(int twips) const
{
    return int(std::lround(twips * m_dpi / 1440.0));
}

int TwipsLayout::toTwips(int pixels) const
{
    return int(std::lround(pixels * 1440.0 / m_dpi));
}

QSize TwipsLayout::outerTwips(const QWidget *window) const
{
    // A frame, caption and border of this many pixels.
    constexpr QSize frameAllowance(16, 39);
    QSize pixels = window->frameGeometry().size();
    m_frameUsed = pixels - window->geometry().size();
    if (m_frameUsed.isEmpty())
        pixels += frameAllowance;
    return {toTwips(pixels.width()), toTwips(pixels.height())};
}

bool TwipsLayout::frameChanged(const QWidget *window) const
{
    return window->frameGeometry().size() - window->geometry().size() != m_frameUsed;
}

void TwipsLayout::apply(QWidget *widget)
{
    const QRect t = m_twips.value(widget);
    widget->setGeometry(toPixels(t.left()), toPixels(t.top()), toPixels(t.width()),
                        toPixels(t.height()));
}

} // namespace quarnex
