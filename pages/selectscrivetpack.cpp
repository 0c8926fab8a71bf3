#include "selectscrivetpack.h"

#include "pageids.h"
#include "pagewidgets.h"
#include "receiverstate.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QWizard>

struct CSelectScrivetPack::Form {
    QWidget *centralWidget;
    QLabel *label_main;
    QRadioButton *scrivetpack_new;
    QRadioButton *scrivetpack_classic;
    QRadioButton *scrivetpack_none;
    QLabel *newpenimage;
    QLabel *oldpenimage;
};

CSelectScrivetPack::CSelectScrivetPack(QWidget *parent)
    : CWizardBase(parent)
    , form(new Form)
{
    form->centralWidget = SetUpPage(this, "CSelectScrivetPack", QRect(16, 0, 551, 271));

    form->label_main = MakeTextLabel(form->centralWidget, "label_main", QRect(0, 20, 501, 51), HeadingFont());

    const auto radioButton = [this](const char *name, int y, int width) {
        auto *button = new QRadioButton(form->centralWidget);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(252, y, width, 21);
        button->setFont(BodyFont());
        return button;
    };
    form->scrivetpack_new = radioButton("scrivetpack_new", 111, 191);
    form->scrivetpack_classic = radioButton("scrivetpack_classic", 162, 210);
    form->scrivetpack_none = radioButton("scrivetpack_none", 213, 281);

    const auto penImage = [this](const char *name, int y) {
        auto *label = new QLabel(form->centralWidget);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(50, y, 183, 50);
        return label;
    };
    form->newpenimage = penImage("newpenimage", 100);
    form->oldpenimage = penImage("oldpenimage", 150);

    setWindowTitle(tr("WizardPage"));
    form->label_main->setText(
        tr("Please select the Orvex Scrivet Pack that you will be using with this Orvex receiver..."));
    form->scrivetpack_new->setText(tr("Scrivet Pack"));
    form->scrivetpack_classic->setText(tr("Scrivet Pack Classic"));
    form->scrivetpack_none->setText(tr("I am not using a Scrivet Pack"));
    // A screen reader names each picture with the button it stands for.
    form->newpenimage->setAccessibleName(tr("Pen of the Scrivet Pack"));
    form->oldpenimage->setAccessibleName(tr("Pen of the Scrivet Pack Classic"));
    form->newpenimage->setBuddy(form->scrivetpack_new);
    form->oldpenimage->setBuddy(form->scrivetpack_classic);
    form->newpenimage->installEventFilter(this);
    form->oldpenimage->installEventFilter(this);

    QMetaObject::connectSlotsByName(this);
}

bool CSelectScrivetPack::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (auto *picture = qobject_cast<QLabel *>(watched); picture && picture->buddy()) {
            static_cast<QAbstractButton *>(picture->buddy())->click();
            return true;
        }
    }
    return CWizardBase::eventFilter(watched, event);
}

CSelectScrivetPack::~CSelectScrivetPack() = default;

void CSelectScrivetPack::initializePage()
{
    // Decoded when first needed: the search page shows long before this
    // one, and decoding wakes the image plugins.
    if (form->newpenimage->pixmap().isNull()) {
        form->newpenimage->setPixmap(QPixmap(QStringLiteral(":/images/scrivetpen_new.png"), "PNG"));
        form->oldpenimage->setPixmap(QPixmap(QStringLiteral(":/images/scrivetpen_old.png"), "PNG"));
    }
    form->scrivetpack_new->setChecked(true);
    form->scrivetpack_classic->setChecked(false);
    form->scrivetpack_none->setChecked(false);
}

bool CSelectScrivetPack::isComplete() const
{
    return form->scrivetpack_new->isChecked() || form->scrivetpack_classic->isChecked()
        || form->scrivetpack_none->isChecked();
}

bool CSelectScrivetPack::validatePage()
{
    // Without a pack the current pack's table applies.
    g_receiverState.newPackSelected =
        form->scrivetpack_none->isChecked() || form->scrivetpack_new->isChecked();
    return true;
}

int CSelectScrivetPack::nextId() const
{
    return kUpdatePageId;
}

void CSelectScrivetPack::EnableNext()
{
    wizard()->button(QWizard::NextButton)->setEnabled(true);
}

void CSelectScrivetPack::on_scrivetpack_new_clicked()
{
    EnableNext();
}

void CSelectScrivetPack::on_scrivetpack_classic_clicked()
{
    EnableNext();
}

void CSelectScrivetPack::on_scrivetpack_none_clicked()
{
    EnableNext();
}
