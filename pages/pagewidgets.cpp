#include "pagewidgets.h"

#include <QLabel>
#include <QWidget>

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

QWidget *MakeContainer(QWidget *page, const QRect &geometry)
{
    auto *container = new QWidget(page);
    container->setObjectName(QStringLiteral("centralWidget"));
    container->setGeometry(geometry);
    return container;
}

QLabel *MakeTextLabel(QWidget *container, const char *objectName, const QRect &geometry,
                      const QFont &font)
{
    auto *label = new QLabel(container);
    label->setObjectName(QLatin1String(objectName));
    label->setGeometry(geometry);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}
