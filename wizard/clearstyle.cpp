#include "clearstyle.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace {

class ClearStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element != CE_PushButton || !(option->state & State_HasFocus))
            return;
        // A pixel-wide line at any scale, inside the button's frame.
        painter->save();
        painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 0, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(subElementRect(SE_PushButtonFocusRect, option, widget).adjusted(0, 0, -1, -1));
        painter->restore();
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control != CC_ScrollBar || !(option->subControls & SC_ScrollBarSlider))
            return;
        const QRect handle = subControlRect(control, option, SC_ScrollBarSlider, widget).adjusted(2, 2, -2, -2);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option->palette.color(QPalette::Mid));
        painter->drawRoundedRect(handle, 2, 2);
        painter->restore();
    }
};

} // namespace

void MakeFusionClear()
{
    if (QApplication::style()->name() == QLatin1String("fusion"))
        QApplication::setStyle(new ClearStyle(QApplication::style()->name()));
}
