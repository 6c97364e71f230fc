// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QRect>
#include <QSize>

class QWidget;

namespace quarnex {

// Window geometry is kept in twips (1440 to the inch), as the layout rules are written, and
// applied to the widgets in pixels through the screen's logical DPI (15 twips a pixel at 96
// dpi). Keeping the twips means a value the rules set reads back exactly, whatever rounding
// the pixels needed.
class TwipsLayout final {
public:
    explicit TwipsLayout(double dpi = 96.0) : m_dpi(dpi) {}

    void place(QWidget *widget, int left, int top, int width, int height);
    // A negative width or height is refused: the widget keeps its previous value.
    void setLeft(QWidget *widget, int left);
    void setTop(QWidget *widget, int top);
    void setWidth(QWidget *widget, int width);
    void setHeight(QWidget *widget, int height);
    QRect twips(QWidget *widget) const { return m_twips.value(widget); }

    void setDpi(double dpi);
    double dpi() const { return m_dpi; }
    int toPixels(int twips) const;
    int toTwips(int pixels) const;
    // A window's outer size (frame, caption and menu bar included) in twips. Where the platform
    // reports no frame (offscreen, or no window manager), a frame allowance stands in, so that
    // the layout rules put the controls where they belong.
    QSize outerTwips(const QWidget *window) const;
    // Whether the window's frame differs from the one the last outerTwips() used: true once the
    // window manager has framed a window that was laid out with the allowance, so that the
    // window lays out again and start-up gives the layout a later resize to the same size gives.
    bool frameChanged(const QWidget *window) const;

private:
    void apply(QWidget *widget);

    double m_dpi;
    mutable QSize m_frameUsed{-1, -1};
    QHash<QWidget *, QRect> m_twips;
};

} // namespace quarnex
