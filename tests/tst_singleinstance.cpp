#include "singleinstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondUpdaterCallsTheFirstForward();
    void deadUpdaterLeavesNoLock();
    void updaterWithoutWindowSaysSo();
};

void tst_SingleInstance::secondUpdaterCallsTheFirstForward()
{
    QTemporaryDir session;
    SingleInstance first(session.path());
    QVERIFY(first.Claim());
    QSignalSpy forward(&first, &SingleInstance::ComeForwardRequested);

    const QStringList locks = QDir(session.path()).entryList({QStringLiteral("*.lock")}, QDir::Files);
    QCOMPARE(locks.size(), 1);
#ifndef Q_OS_WIN
    // However long the first one has been running (on Windows nobody else
    // may even open the held file for writing).
    QFile lockFile(QDir(session.path()).filePath(locks.first()));
    QVERIFY(lockFile.open(QIODevice::ReadWrite));
    QVERIFY(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    lockFile.close();
#endif

    SingleInstance second(session.path());
    QVERIFY(!second.Claim());
    QVERIFY(second.AskRunningToComeForward());
    QCOMPARE(forward.count(), 1);

    // Another session is another matter.
    QTemporaryDir otherSession;
    QVERIFY(SingleInstance(otherSession.path()).Claim());

    // The restart after a failed update: the ending updater lets go first.
    first.Release();
    SingleInstance restarted(session.path());
    QVERIFY(restarted.Claim());
    restarted.Release();
    QCOMPARE(QDir(session.path()).entryList(QDir::Files | QDir::System | QDir::Hidden), QStringList());
}

// An updater killed while it holds the lock keeps no later one out, even
// one that gets its process ID (as under wine, where a fresh server hands
// out the same IDs again).
void tst_SingleInstance::deadUpdaterLeavesNoLock()
{
    QTemporaryDir session;
    for (int start = 0; start < 2; ++start) {
        QProcess holder;
        holder.start(QStringLiteral(LOCK_HOLDER_PATH), {session.path()});
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));
        QVERIFY(!SingleInstance(session.path()).Claim());
        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
    }
    SingleInstance next(session.path());
    QVERIFY(next.Claim());
    QVERIFY(!SingleInstance(session.path()).Claim());
}

void tst_SingleInstance::updaterWithoutWindowSaysSo()
{
    QTemporaryDir session;
    SingleInstance first(session.path());
    QVERIFY(first.Claim());
    // Its window was taken away while it finishes a write.
    connect(&first, &SingleInstance::ComeForwardRequested, &first, &SingleInstance::AnswerCannotComeForward);
    SingleInstance second(session.path());
    QVERIFY(!second.Claim());
    QVERIFY(!second.AskRunningToComeForward());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
