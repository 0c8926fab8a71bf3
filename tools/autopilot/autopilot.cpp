// Preloaded into the real orvex-updater (LD_PRELOAD); the program gains
// nothing. It watches the window and, whenever the window shows a new
// state, writes the state, the window title and every visible text:
//
//   [offered] Orvex Firmware Updater v1.0.0.6
//     Your Orvex receiver firmware needs to be updated.
//     ...
//     buttons: Update*, Back, Cancel        (* marks the default button)
//
// States: search, pack, up-to-date, offered, running, updated, failure.
// ORVEX_AUTOPILOT_LOG names the file to append to (default: stdout);
// ORVEX_AUTOPILOT_SHOTS a folder for a picture of each state's first
// appearance; ORVEX_AUTOPILOT_PRESS=1 makes it play the user: Next on the
// pack page, Update when offered, Close when done, and the answer
// ORVEX_AUTOPILOT_ANSWER (default No) in the failure box.
// ORVEX_AUTOPILOT_READ_MS keeps the last page that long before Close, as a
// person reading it would (default 0).

#include "pageids.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWindow>
#include <QWizard>

#include <cstdio>
#include <optional>

namespace {

constexpr int kLookEveryMs = 50;
constexpr QWizard::WizardButton kButtons[] = {QWizard::CustomButton1, QWizard::NextButton,
                                              QWizard::BackButton, QWizard::FinishButton,
                                              QWizard::CancelButton};

QString g_lastSeen;
QSet<QString> g_pictured;
std::optional<QDeadlineTimer> g_readUntil;

void Write(const QString &text)
{
    const QString file = qEnvironmentVariable("ORVEX_AUTOPILOT_LOG");
    if (file.isEmpty()) {
        std::fputs(text.toUtf8().constData(), stdout);
        std::fflush(stdout);
        return;
    }
    QFile out(file);
    if (out.open(QIODevice::Append))
        out.write(text.toUtf8());
}

bool Ready(QAbstractButton *button)
{
    return button && button->isVisible() && button->isEnabled();
}

QString State(QWizard *wizard)
{
    switch (wizard->currentId()) {
    case kSearchPageId:
        return QStringLiteral("search");
    case kPackPageId:
        return QStringLiteral("pack");
    default:
        break;
    }
    const auto *bar = wizard->currentPage()->findChild<QProgressBar *>();
    if (wizard->button(QWizard::FinishButton)->isVisible())
        return bar && bar->isVisible() ? QStringLiteral("updated") : QStringLiteral("up-to-date");
    return Ready(wizard->button(QWizard::CustomButton1)) ? QStringLiteral("offered") : QStringLiteral("running");
}

// What the window shows, one text a line.
QStringList Texts(QWidget *window)
{
    QStringList lines;
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->isVisible() && !label->text().isEmpty())
            lines << label->text();
    }
    for (const QRadioButton *choice : window->findChildren<QRadioButton *>()) {
        if (choice->isVisible())
            lines << (choice->isChecked() ? QStringLiteral("(x) ") : QStringLiteral("( ) ")) + choice->text();
    }
    return lines;
}

QString ButtonLine(const QList<QAbstractButton *> &buttons)
{
    QStringList names;
    for (QAbstractButton *button : buttons) {
        if (!button || !button->isVisible())
            continue;
        QString name = button->text().remove(QLatin1Char('&'));
        if (const auto *push = qobject_cast<QPushButton *>(button); push && push->isDefault())
            name += QLatin1Char('*');
        if (!button->isEnabled())
            name += QStringLiteral(" (greyed)");
        names << name;
    }
    return QStringLiteral("  buttons: ") + names.join(QStringLiteral(", ")) + QLatin1Char('\n');
}

// A state's picture waits for the next look, so that its texts have been
// painted, and for a window that is on the screen and has been painted at
// all: a window just mapped is still black there.
struct PendingPicture {
    QString state;
    QPointer<QWidget> window;
};
std::optional<PendingPicture> g_pending;
QHash<QWidget *, int> g_paints; // paint events, by top-level window

class PaintCounter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            ++g_paints[static_cast<QWidget *>(watched)->window()];
        return false;
    }
};

void TakePendingPicture()
{
    QWidget *window = g_pending ? g_pending->window.data() : nullptr;
    if (!window || g_paints.value(window) == 0 || !window->windowHandle() || !window->windowHandle()->isExposed())
        return;
    const QString state = g_pending->state;
    g_pending.reset();
    g_pictured.insert(state);
    // From the screen, so that the window manager's frame is in it.
    const QPixmap picture = window->screen()->grabWindow(0, window->frameGeometry().x(),
                                                         window->frameGeometry().y(),
                                                         window->frameGeometry().width(),
                                                         window->frameGeometry().height());
    const QString file = QDir(qEnvironmentVariable("ORVEX_AUTOPILOT_SHOTS"))
                             .filePath(QStringLiteral("%1-%2.png").arg(g_pictured.size(), 2, 10, QLatin1Char('0')).arg(state));
    if (picture.save(file))
        Write(QStringLiteral("  picture: %1\n").arg(file));
}

void Picture(const QString &state, QWidget *window)
{
    if (qEnvironmentVariable("ORVEX_AUTOPILOT_SHOTS").isEmpty() || g_pictured.contains(state))
        return;
    g_pending = PendingPicture{state, window};
}

void Tell(const QString &state, QWidget *window, const QList<QAbstractButton *> &buttons)
{
    QString seen = QStringLiteral("[%1] %2\n").arg(state, window->windowTitle());
    for (const QString &line : Texts(window))
        seen += QStringLiteral("  ") + line + QLatin1Char('\n');
    seen += ButtonLine(buttons);
    // A count of seconds alone is no new state.
    static const QRegularExpression seconds(QStringLiteral("[(\uFF08]\\d+[^)\uFF09]*[)\uFF09]"));
    if (QString(seen).replace(seconds, QString()) == QString(g_lastSeen).replace(seconds, QString()))
        return;
    g_lastSeen = seen;
    Write(seen);
    Picture(state, window);
}

bool Pressing()
{
    return qEnvironmentVariable("ORVEX_AUTOPILOT_PRESS") == QLatin1String("1");
}

void Look()
{
    TakePendingPicture();
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        Tell(QStringLiteral("failure"), box, box->buttons());
        if (Pressing()) {
            const QString answer = qEnvironmentVariable("ORVEX_AUTOPILOT_ANSWER", QStringLiteral("No"));
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == answer)
                    button->click();
            }
        }
        return;
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *wizard = qobject_cast<QWizard *>(window);
        if (!wizard || !wizard->isVisible() || !wizard->currentPage())
            continue;
        QList<QAbstractButton *> buttons;
        for (const QWizard::WizardButton which : kButtons)
            buttons << wizard->button(which);
        const QString state = State(wizard);
        Tell(state, wizard, buttons);
        if (!Pressing())
            continue;
        if (state == QLatin1String("pack") && Ready(wizard->button(QWizard::NextButton)))
            wizard->button(QWizard::NextButton)->click();
        else if (state == QLatin1String("offered"))
            wizard->button(QWizard::CustomButton1)->click();
        else if (state == QLatin1String("updated") || state == QLatin1String("up-to-date")) {
            if (!g_readUntil)
                g_readUntil = QDeadlineTimer(qEnvironmentVariableIntValue("ORVEX_AUTOPILOT_READ_MS"));
            if (g_readUntil->hasExpired())
                wizard->button(QWizard::FinishButton)->click();
        }
    }
}

void Start()
{
    Write(QStringLiteral("started %1\n").arg(QCoreApplication::applicationPid()));
    QCoreApplication::instance()->installEventFilter(new PaintCounter(QCoreApplication::instance()));
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, Look);
    timer->start(kLookEveryMs);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
