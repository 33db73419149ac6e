// Services that answer from threads of their own: every reply and store notice
// reaches the component on the GUI thread, none lost or doubled, each thread's
// in order. Arrivals are read from the outside: a latest version's debug line,
// the pool combo box, the pool request a sign-in makes, a sign-out's close, and
// the store values a settings notice loads into the dialog.

#include "plugin_harness.h"
#include "test_environment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {
using Kind = int;
constexpr Kind Latest = 0, Pool = 1, SignIn = 2, SignOut = 3, Settings = 4;
// A sign-out or a settings notice carries nothing to tell its sender by, so
// each comes from one thread only; the replies carry "<thread>.<index>".
constexpr int kSignOutThread = 0, kSettingsThread = 1;
const QRegularExpression kTag(QStringLiteral("^(\\d+)\\.(\\d+)$"));

QString stepText(int thread, Kind kind, int index)
{
    return QStringLiteral("%1:%2").arg(thread).arg(QLatin1Char("LPIOS"[kind])) +
           (kind < SignOut ? QString::number(index) : QString());
}

// What reached the component, by sending thread, and how much of it off the GUI thread.
QMutex g_mutex;
QMap<int, QStringList> g_arrived;
std::atomic<int> g_arrivedCount{0}, g_offGuiThread{0};

void note(Kind kind, const QString& tag = QString())
{
    const QRegularExpressionMatch match = kTag.match(tag);
    const int thread = tag.isNull() ? (kind == SignOut ? kSignOutThread : kSettingsThread)
                                    : match.captured(1).toInt();
    g_offGuiThread += QThread::currentThread() == qApp->thread() ? 0 : 1;
    QMutexLocker lock(&g_mutex);
    g_arrived[thread] << stepText(thread, kind, match.captured(2).toInt());
    ++g_arrivedCount;
}

// A latest version's debug line is its text; the other debug lines are dropped.
QtMessageHandler g_previousHandler = nullptr;
void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg || qstrcmp(context.category, "ekr.configuration") != 0)
        g_previousHandler(type, context, text);
    else if (kTag.match(text).hasMatch())
        note(Latest, text);
}

class CloseCounter : public QObject
{
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            note(SignOut);
        return QObject::eventFilter(watched, event);
    }
};

void send(PluginHarness& harness, int thread, Kind kind, int index)
{
    const QString tag = QStringLiteral("%1.%2").arg(thread).arg(index);
    FakeCommunication& farm = harness.communication;
    const QVariantMap pool{
        {"pool_id", "id " + tag}, {"pool_name", "pool " + tag}, {"pool_type", 1}};
    if (kind == Latest)
        emit farm.LatestVersionResponse(200, {{"ver", tag}});
    else if (kind == Pool)
        emit farm.PoolIdResponse(200, {{"data", QVariantList{pool}}});
    else if (kind == SignIn) // always the same account, so that a settings notice loads its values
        emit farm.SignInResponse(200, {{"loginname", "ann"},
                                       {"username", "user " + tag},
                                       {"data", QVariantMap{{"token", "token " + tag}}}});
    else if (kind == SignOut)
        emit farm.SignOutResponse(200, {});
    else
        emit harness.settings.SettingsUpdated();
}

qint64 g_emitted = 0, g_delivered = 0;
int g_runs = 0, g_mostThreads = 0;
} // namespace

class RobustThreadsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        std::atexit([] { // after QTest's own summary
            std::printf("threads: %d runs, up to %d worker threads sending at once\n"
                        "threads: %lld signals emitted, %lld delivered on the GUI thread, each "
                        "thread's in order\n",
                        g_runs, g_mostThreads, g_emitted, g_delivered);
            std::fflush(stdout);
        });
    }

    void signalsFromWorkerThreadsArriveInOrder_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("perThread");
        QTest::newRow("4 threads") << 4 << 5000;
        QTest::newRow("8 threads") << 8 << 2500;
    }
    void signalsFromWorkerThreadsArriveInOrder()
    {
        QFETCH(int, threads);
        QFETCH(int, perThread);
        PluginHarness harness;
        harness.useHostUiLoader();
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);

        // The auto-login box probes a settings load: stored checked, unchecked after each load.
        harness.settings.store.insert(QStringLiteral("ekr.account.ann/autologin"), true);
        harness.signIn(QStringLiteral("ann"));
        auto* autoLogin = harness.widget<QCheckBox>("chkAutoLogin");
        autoLogin->setChecked(false);

        g_arrived.clear();
        g_arrivedCount = g_offGuiThread = 0;
        QObject hooks;
        bool signInLoading = false; // a sign-in loads the settings too
        harness.communication.onRequest = [&]() {
            const FakeCommunication::Request& request = harness.communication.requests.last();
            if (request.operation == QLatin1String("RequestPoolId")) {
                note(SignIn, request.data.value("username").toString().mid(5));
                signInLoading = true;
            }
        };
        connect(autoLogin, &QCheckBox::toggled, &hooks, [&](bool checked) {
            if (checked && !std::exchange(signInLoading, false))
                note(Settings);
            autoLogin->setChecked(false);
        });
        connect(harness.widget<QComboBox>("cmbPool"), &QComboBox::currentTextChanged, &hooks,
                [&](const QString& text) {
                    if (text.startsWith(QLatin1String("pool ")))
                        note(Pool, text.mid(5));
                });
        CloseCounter closes;
        harness.dialogWindow()->installEventFilter(&closes);
        g_previousHandler = qInstallMessageHandler(onMessage);
        const auto unhook = qScopeGuard([] { qInstallMessageHandler(g_previousHandler); });

        // Each thread's script: the replies in a seeded mix, with its own notices.
        QVector<QVector<Kind>> scripts(threads);
        QMap<int, QStringList> sent;
        for (int thread = 0; thread < threads; ++thread) {
            QVector<Kind> kinds{Latest, Pool, SignIn};
            kinds << QVector<Kind>(thread == kSignOutThread ? 1 : 0, SignOut)
                  << QVector<Kind>(thread == kSettingsThread ? 1 : 0, Settings);
            QRandomGenerator random(quint32(thread + 1));
            for (int index = 0; index < perThread; ++index) {
                scripts[thread] << kinds.at(random.bounded(kinds.size()));
                sent[thread] << stepText(thread, scripts[thread].last(), index);
            }
        }

        // All threads wait at the gate, so that they send at the same time.
        QSemaphore gate;
        std::atomic<int> emitted{0};
        QThreadPool workers;
        workers.setMaxThreadCount(threads);
        for (int thread = 0; thread < threads; ++thread)
            workers.start([&, thread]() {
                gate.acquire();
                for (int index = 0; index < perThread; ++index, ++emitted)
                    send(harness, thread, scripts[thread][index], index);
            });
        gate.release(threads);
        const int total = threads * perThread;
        QTRY_VERIFY_WITH_TIMEOUT(g_arrivedCount.load() >= total, 60000);
        QVERIFY(workers.waitForDone(10000));
        QTest::qWait(100); // anything doubled would arrive now
        g_emitted += emitted;
        g_delivered += g_arrivedCount.load();
        g_runs += 1;
        g_mostThreads = qMax(g_mostThreads, threads);
        QCOMPARE(emitted.load(), total);
        QCOMPARE(g_arrivedCount.load(), total);
        QCOMPARE(g_offGuiThread, 0);
        for (int thread = 0; thread < threads; ++thread)
            QCOMPARE(g_arrived.value(thread), sent.value(thread));
    }
};

EKR_TEST_MAIN(RobustThreadsTest)
#include "tst_robust_threads.moc"
