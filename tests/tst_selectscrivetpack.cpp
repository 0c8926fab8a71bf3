#include "configwizard.h"
#include "pageids.h"
#include "receiverstate.h"
#include "wizardsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QAccessible>
#include <QtTest>

class tst_SelectScrivetPack : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void choice_data();
    void choice();
    void picturesWaitForThePage();

private:
    WizardFixture fixture;
};

void tst_SelectScrivetPack::init()
{
    fixture.Begin();
}

void tst_SelectScrivetPack::cleanup()
{
    fixture.End();
}

void tst_SelectScrivetPack::choice_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("newPackSelected");
    QTest::newRow("Next at once") << QStringList{} << true;
    QTest::newRow("Classic") << QStringList{"scrivetpack_classic"} << false;
    QTest::newRow("no pack counts as the current pack") << QStringList{"scrivetpack_none"} << true;
    QTest::newRow("only the last click counts")
        << QStringList{"scrivetpack_classic", "scrivetpack_new"} << true;
    QTest::newRow("Classic after no pack") << QStringList{"scrivetpack_none", "scrivetpack_classic"} << false;
    QTest::newRow("the Classic pen's picture") << QStringList{"oldpenimage"} << false;
    QTest::newRow("Classic, then the current pen's picture") << QStringList{"scrivetpack_classic", "newpenimage"} << true;
}

void tst_SelectScrivetPack::choice()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, newPackSelected);
    CConfigWizard wizard;
    wizard.next();
    QCOMPARE(wizard.currentId(), kPackPageId);
    QWizardPage *page = wizard.currentPage();
    QVERIFY(page->findChild<QRadioButton *>(QStringLiteral("scrivetpack_new"))->isChecked());
    QVERIFY(wizard.button(QWizard::NextButton)->isEnabled());

    // A click writes nothing; only Next does.
    g_receiverState.newPackSelected = !newPackSelected;
    for (const QString &name : clicks)
        QTest::mouseClick(page->findChild<QWidget *>(name), Qt::LeftButton);
    QCOMPARE(g_receiverState.newPackSelected, !newPackSelected);

    wizard.button(QWizard::NextButton)->click();
    QCOMPARE(g_receiverState.newPackSelected, newPackSelected);
    QCOMPARE(wizard.currentId(), kUpdatePageId);
    wizard.close();
}

void tst_SelectScrivetPack::picturesWaitForThePage()
{
    CConfigWizard wizard;
    QWizardPage *page = wizard.page(kPackPageId);
    const QStringList pictures = {QStringLiteral("newpenimage"), QStringLiteral("oldpenimage")};
    // Not decoded for the first window, which does not show them.
    for (const QString &name : pictures)
        QVERIFY(page->findChild<QLabel *>(name)->pixmap().isNull());
    wizard.next();
    for (const QString &name : pictures)
        QCOMPARE(page->findChild<QLabel *>(name)->pixmap().size(), QSize(183, 50));
    // A screen reader names each picture, and its pack's button by it.
    QCOMPARE(QAccessible::queryAccessibleInterface(page->findChild<QLabel *>(pictures[1]))->text(QAccessible::Name),
             QStringLiteral("Pen of the Scrivet Pack Classic"));
    QAccessibleInterface *classic = QAccessible::queryAccessibleInterface(page->findChild<QRadioButton *>(QStringLiteral("scrivetpack_classic")));
    const auto labelledBy = classic->relations(QAccessible::Label);
    QVERIFY(!labelledBy.isEmpty());
    QCOMPARE(labelledBy.first().first->object(), page->findChild<QLabel *>(pictures[1]));
    wizard.close();
}

QTEST_MAIN(tst_SelectScrivetPack)
#include "tst_selectscrivetpack.moc"
