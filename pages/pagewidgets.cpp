#include "pagewidgets.h"

#include <QLabel>
#include <QWidget>

namespace {

const char kFamily[] = "Arial";
constexpr int kHeadingPointSize = 11;
constexpr int kBodyPointSize = 10;
constexpr int kPageWidth = 600;
constexpr int kPageHeight = 320;

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

QWidget *SetUpPage(QWidget *page, const char *objectName, const QRect &container)
{
    if (page->objectName().isEmpty())
        page->setObjectName(QLatin1String(objectName));
    page->resize(kPageWidth, kPageHeight);
    auto *holder = new QWidget(page);
    holder->setObjectName(QStringLiteral("centralWidget"));
    holder->setGeometry(container);
    return holder;
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
