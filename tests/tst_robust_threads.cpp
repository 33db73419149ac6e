// Replies from threads of the communication service's own reach the component on the GUI thread,
// none lost or doubled, each thread's in order: 8 threads send 5,000 sign-in and pool replies
// each, all at once. What arrived is read from the pool request of each sign-in and the pool box.

#include "plugin_harness.h"
#include "test_environment.h"

#include <QComboBox>
#include <QSemaphore>
#include <QThreadPool>

#include <cstdio>

class RobustThreadsTest : public QObject
{
    Q_OBJECT

private slots:
    void repliesFromWorkerThreadsArriveInOrder()
    {
        const int threads = 8, perThread = 5000;
        PluginHarness h;
        h.useHostUiLoader();
        h.bringUp();
        QCOMPARE(h.initializeAndStart(), 0);
        QLoggingCategory::setFilterRules("ekr.*.debug=false");
        QVector<QStringList> sent(threads), arrived(threads); // "<kind><index>" by sending thread
        int count = 0, offGuiThread = 0;
        const auto note = [&](const QString& kind, const QString& tag) { // tag: "<thread>.<index>"
            offGuiThread += QThread::currentThread() != qApp->thread(), ++count;
            arrived[tag.section('.', 0, 0).toInt() % threads] << kind + tag.section('.', 1);
        };
        h.communication.onRequest = [&]() {
            note("I", h.communication.requests.last().data["token"].toString());
        };
        QObject hooks;
        connect(h.widget<QComboBox>("cmbPool"), &QComboBox::currentTextChanged, &hooks,
                [&](const QString& tag) {
                    if (!tag.isEmpty())
                        note("P", tag);
                });
        QSemaphore gate; // all wait at the gate, so that they send at the same time
        QThreadPool workers;
        workers.setMaxThreadCount(threads);
        for (int thread = 0; thread < threads; ++thread) {
            for (int index = 0; index < perThread; ++index) // sign-ins and pools in a mix
                sent[thread] << QString("IP"[index * (thread + 3) % 7 % 2]) +
                                    QString::number(index);
            workers.start([&, thread]() {
                gate.acquire();
                for (int index = 0; index < perThread; ++index) {
                    const QString tag = QString("%1.%2").arg(thread).arg(index);
                    if (sent[thread][index][0] == 'I')
                        emit h.communication.SignInResponse(
                            200, {{"data", QVariantMap{{"token", tag}}}});
                    else
                        emit h.communication.PoolIdResponse(
                            200, {{"data", QVariantList{QVariantMap{{"pool_name", tag}}}}});
                }
            });
        }
        gate.release(threads);
        QTRY_VERIFY_WITH_TIMEOUT(count >= threads * perThread, 60000);
        QVERIFY(workers.waitForDone(10000));
        QTest::qWait(100); // anything doubled would arrive now
        std::printf(
            "threads: %d replies from %d worker threads at once, %d arrived, %d of them off "
            "the GUI thread\n",
            threads * perThread, threads, count, offGuiThread);
        QCOMPARE(offGuiThread, 0);
        QCOMPARE(arrived, sent);
    }
};

EKR_TEST_MAIN(RobustThreadsTest)
#include "tst_robust_threads.moc"
