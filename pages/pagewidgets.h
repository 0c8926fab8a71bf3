#ifndef ORVEX_PAGEWIDGETS_H
#define ORVEX_PAGEWIDGETS_H

#include <QFont>
#include <QRect>

class QLabel;
class QWidget;

// The fonts of the page texts.
QFont HeadingFont();
QFont BodyFont();

// The widget that holds a page's widgets ("centralWidget").
QWidget *MakeContainer(QWidget *page, const QRect &geometry);

// A text label of a page: aligned left and top, word wrap on.
QLabel *MakeTextLabel(QWidget *container, const char *objectName, const QRect &geometry,
                      const QFont &font);

#endif
