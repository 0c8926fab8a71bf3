#include "pagefonts.h"

namespace {

const char kFamily[] = "Arial";
constexpr int kHeadingPointSize = 11;
constexpr int kBodyPointSize = 10;

} // namespace

QFont HeadingFont()
{
    QFont font(QString::fromLatin1(kFamily), kHeadingPointSize, QFont::Bold);
    font.setKerning(true);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

QFont BodyFont()
{
    return QFont(QString::fromLatin1(kFamily), kBodyPointSize);
}
