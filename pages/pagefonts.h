#ifndef ORVEX_PAGEFONTS_H
#define ORVEX_PAGEFONTS_H

#include <QFont>

// The fonts of the page texts.
QFont HeadingFont();
QFont BodyFont();

#endif
