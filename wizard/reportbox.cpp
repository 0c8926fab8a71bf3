#include "reportbox.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

namespace {

// What the window manager's frame takes above and around a window, at most.
constexpr int kFrameAllowance = 64;

// A view that also goes to its top and end with Home and End (with or
// without Ctrl), as a reader of a long text expects.
class ReportView : public QScrollArea
{
public:
    using QScrollArea::QScrollArea;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QScrollBar *bar = verticalScrollBar();
        if (event->key() == Qt::Key_Home)
            bar->triggerAction(QAbstractSlider::SliderToMinimum);
        else if (event->key() == Qt::Key_End)
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
        else
            QScrollArea::keyPressEvent(event);
    }
};

// Gives the view the focus once the box has given it to its button.
class FocusOnShow : public QObject
{
public:
    FocusOnShow(QMessageBox *box, QWidget *view) : QObject(box), view(view) { box->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            view->setFocus(Qt::OtherFocusReason);
        return false;
    }

private:
    QWidget *view;
};

// The label in which the box shows its text: the one that shows it.
QLabel *TextLabel(QMessageBox *box)
{
    const QList<QLabel *> labels = box->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text() == box->text())
            return label;
    }
    return nullptr;
}

} // namespace

void FitMessageBoxOnScreen(QMessageBox *box, const QRect &available)
{
    QLabel *label = TextLabel(box);
    auto *grid = qobject_cast<QGridLayout *>(box->layout());
    const int at = grid && label ? grid->indexOf(label) : -1;
    if (at < 0)
        return;
    box->ensurePolished();
    const QSize text = label->sizeHint();
    const int besideText = grid->sizeHint().height() - text.height();
    const int room = qMax(available.height() - besideText - kFrameAllowance, 0);

    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(at, &row, &column, &rows, &columns);
    auto *view = new ReportView(box);
    view->setObjectName(QStringLiteral("reportView"));
    view->setAccessibleName(box->windowTitle());
    view->setFrameShape(QFrame::NoFrame);
    view->setFocusPolicy(Qt::StrongFocus);
    view->setWidgetResizable(true);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->removeWidget(label);
    view->setWidget(label);
    const bool scrolls = text.height() > room;
    const int barWidth = scrolls ? view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view) : 0;
    view->setFixedSize(qMin(text.width() + barWidth, available.width() - kFrameAllowance),
                       scrolls ? room : text.height());
    grid->addWidget(view, row, column, rows, columns);
    new FocusOnShow(box, view);
}
