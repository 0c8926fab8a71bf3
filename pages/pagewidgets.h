#ifndef ORVEX_PAGEWIDGETS_H
#define ORVEX_PAGEWIDGETS_H

#include <QFont>
#include <QRect>

class QLabel;
class QWidget;

// The fonts of the page texts.
QFont HeadingFont();
QFont BodyFont();

// A page's frame: its object name (unless it has one), its size, and the
// widget that holds its widgets ("centralWidget"), which it returns.
QWidget *SetUpPage(QWidget *page, const char *objectName, const QRect &container);

// A text label of a page: aligned left and top, word wrap on.
QLabel *MakeTextLabel(QWidget *container, const char *objectName, const QRect &geometry,
                      const QFont &font);

#endif
