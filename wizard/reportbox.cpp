#include "reportbox.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

namespace {

// What the window manager's frame takes above and around a window, at most.
constexpr int kFrameAllowance = 64;

} // namespace

void FitMessageBoxOnScreen(QMessageBox *box, const QRect &available)
{
    // The box keeps its text in this label (QMessageBox's own name for it).
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    auto *grid = qobject_cast<QGridLayout *>(box->layout());
    const int at = grid && label ? grid->indexOf(label) : -1;
    if (at < 0)
        return;
    box->ensurePolished();
    const QSize text = label->sizeHint();
    const int besideText = grid->sizeHint().height() - text.height();
    const int room = available.height() - besideText - kFrameAllowance;
    if (text.height() <= room)
        return;

    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(at, &row, &column, &rows, &columns);
    auto *scroll = new QScrollArea(box);
    scroll->setObjectName(QStringLiteral("reportScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->removeWidget(label);
    scroll->setWidget(label);
    const int barWidth = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    scroll->setFixedSize(qMin(text.width() + barWidth, available.width() - kFrameAllowance), qMax(room, 0));
    grid->addWidget(scroll, row, column, rows, columns);
}
