// Services that answer from threads of their own: every reply and every store
// notice reaches the component on the GUI thread, none is lost or doubled,
// and each thread's signals arrive in the order that thread sent them.
//
// What arrived is read from the outside: the debug line the component writes
// for a latest version, the pool combo box, the pool request a sign-in makes,
// the close event of a sign-out, and the store values a settings notice loads
// into the dialog.

#include "plugin_harness.h"
#include "test_environment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
enum class Kind
{
    LatestVersion,
    PoolId,
    SignIn,
    SignOut,
    SettingsUpdated
};

// A sign-out or a settings notice carries nothing to tell its sender by, so
// each comes from one thread only; replies carry "<thread>.<index>".
const int kSignOutThread = 0;
const int kSettingsThread = 1;

struct Step
{
    Kind kind;
    int index; // the step's place in its thread's script; -1 where it cannot be seen
    bool operator==(const Step& other) const { return kind == other.kind && index == other.index; }
};

QString describe(const QVector<Step>& steps, int from)
{
    const char* const names[] = {"latest", "pool", "sign-in", "sign-out", "settings"};
    QStringList shown;
    for (int i = from; i < steps.size() && i < from + 4; ++i)
        shown << QStringLiteral("%1#%2")
                     .arg(QLatin1String(names[int(steps.at(i).kind)]))
                     .arg(steps.at(i).index);
    return shown.join(QLatin1Char(' '));
}

// What reached the component, in the order it arrived, and on which thread.
class Recorder
{
public:
    struct Delivery
    {
        Kind kind;
        QString tag;
        bool onGuiThread;
    };

    void note(Kind kind, const QString& tag = QString())
    {
        const bool onGui = QThread::currentThread() == qApp->thread();
        QMutexLocker lock(&m_mutex);
        m_deliveries.append({kind, tag, onGui});
    }
    int count()
    {
        QMutexLocker lock(&m_mutex);
        return m_deliveries.size();
    }
    QVector<Delivery> deliveries()
    {
        QMutexLocker lock(&m_mutex);
        return m_deliveries;
    }

private:
    QMutex m_mutex;
    QVector<Delivery> m_deliveries;
};

// The component's debug line for a latest-version reply is the version text.
Recorder* g_recorder = nullptr;
QtMessageHandler g_previousHandler = nullptr;
const QRegularExpression kTag(QStringLiteral("^(\\d+)\\.(\\d+)$"));

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (g_recorder && type == QtDebugMsg && qstrcmp(context.category, "ekr.configuration") == 0) {
        if (kTag.match(text).hasMatch())
            g_recorder->note(Kind::LatestVersion, text);
        return; // the component's other debug lines, thousands of them here
    }
    g_previousHandler(type, context, text);
}

struct MessageHook
{
    explicit MessageHook(Recorder& recorder)
    {
        g_recorder = &recorder;
        g_previousHandler = qInstallMessageHandler(messageHandler);
    }
    ~MessageHook()
    {
        qInstallMessageHandler(g_previousHandler);
        g_recorder = nullptr;
    }
};

// Worker threads, joined whatever way the test ends.
struct Workers : std::vector<std::unique_ptr<QThread>>
{
    ~Workers()
    {
        for (auto& worker : *this)
            worker->wait();
    }
};

class CloseCounter : public QObject
{
public:
    explicit CloseCounter(Recorder& recorder) : m_recorder(recorder) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            m_recorder.note(Kind::SignOut);
        return QObject::eventFilter(watched, event);
    }

private:
    Recorder& m_recorder;
};

// What each thread sends, in order: the three replies in a seeded mix, with
// the sign-outs and the settings notices of their own threads among them.
QVector<QVector<Step>> scripts(int threads, int perThread)
{
    QVector<QVector<Step>> all;
    for (int thread = 0; thread < threads; ++thread) {
        QVector<Kind> kinds{Kind::LatestVersion, Kind::PoolId, Kind::SignIn};
        if (thread == kSignOutThread)
            kinds << Kind::SignOut;
        if (thread == kSettingsThread)
            kinds << Kind::SettingsUpdated;
        QRandomGenerator random(quint32(thread + 1));
        QVector<Step> script;
        for (int index = 0; index < perThread; ++index) {
            const Kind kind = kinds.at(random.bounded(kinds.size()));
            const bool seen = kind != Kind::SignOut && kind != Kind::SettingsUpdated;
            script.append({kind, seen ? index : -1});
        }
        all.append(script);
    }
    return all;
}

void send(PluginHarness& harness, int thread, const Step& step)
{
    const QString tag = QStringLiteral("%1.%2").arg(thread).arg(step.index);
    FakeCommunication& farm = harness.communication;
    switch (step.kind) {
    case Kind::LatestVersion:
        emit farm.LatestVersionResponse(200, {{"ver", tag}});
        break;
    case Kind::PoolId:
        emit farm.PoolIdResponse(200,
                                 {{"data", QVariantList{QVariantMap{{"pool_id", "id " + tag},
                                                                    {"pool_name", "pool " + tag},
                                                                    {"pool_type", 1}}}}});
        break;
    case Kind::SignIn:
        // Always the same account, so that a settings notice loads its values.
        emit farm.SignInResponse(200, {{"loginname", "ann"},
                                       {"username", "user " + tag},
                                       {"data", QVariantMap{{"token", "token " + tag}}}});
        break;
    case Kind::SignOut:
        emit farm.SignOutResponse(200, {});
        break;
    case Kind::SettingsUpdated:
        emit harness.settings.SettingsUpdated();
        break;
    }
}

struct Figures
{
    qint64 emitted = 0;
    qint64 delivered = 0;
    int runs = 0;
    int mostThreads = 0;
} g_figures;
} // namespace

class RobustThreadsTest : public QObject
{
    Q_OBJECT

private slots:
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

        // The auto-login box is the probe of a settings load: the store says
        // checked, and the test unchecks it after every load.
        harness.settings.store.insert(QStringLiteral("ekr.account.ann/autologin"), true);
        harness.signIn(QStringLiteral("ann"));
        auto* autoLogin = harness.widget<QCheckBox>("chkAutoLogin");
        QVERIFY(autoLogin->isChecked());
        autoLogin->setChecked(false);

        Recorder recorder;
        QObject hooks;
        bool signInLoading = false; // a sign-in loads the settings too
        harness.communication.onRequest = [&]() {
            const FakeCommunication::Request& request = harness.communication.requests.last();
            if (request.operation != QLatin1String("RequestPoolId"))
                return;
            recorder.note(Kind::SignIn, request.data.value("username").toString().mid(5));
            signInLoading = true;
        };
        connect(autoLogin, &QCheckBox::toggled, &hooks, [&](bool checked) {
            if (!checked)
                return;
            if (!signInLoading)
                recorder.note(Kind::SettingsUpdated);
            signInLoading = false;
            autoLogin->setChecked(false);
        });
        connect(harness.widget<QComboBox>("cmbPool"), &QComboBox::currentTextChanged, &hooks,
                [&](const QString& text) {
                    if (text.startsWith(QLatin1String("pool ")))
                        recorder.note(Kind::PoolId, text.mid(5));
                });
        CloseCounter closes(recorder);
        harness.dialogWindow()->installEventFilter(&closes);
        MessageHook messages(recorder);

        // All threads wait at the gate, so that they send at the same time.
        const QVector<QVector<Step>> expected = scripts(threads, perThread);
        QSemaphore gate;
        std::atomic<int> emitted{0};
        Workers workers;
        for (int thread = 0; thread < threads; ++thread) {
            workers.emplace_back(QThread::create([&, thread]() {
                gate.acquire();
                for (const Step& step : expected.at(thread)) {
                    send(harness, thread, step);
                    ++emitted;
                }
            }));
            workers.back()->start();
        }
        gate.release(threads);
        const int total = threads * perThread;
        // Waits while signals keep arriving; it ends as soon as all have, or
        // more than were sent, or when nothing more came for a while: a loss.
        int seen = -1;
        QElapsedTimer sinceLastArrival;
        const auto arrivedOrStalled = [&]() {
            const int arrived = recorder.count();
            if (arrived != seen) {
                seen = arrived;
                sinceLastArrival.start();
            }
            return arrived >= total || sinceLastArrival.elapsed() > 5000;
        };
        QTRY_VERIFY_WITH_TIMEOUT(arrivedOrStalled(), 90000);
        QVERIFY2(recorder.count() >= total,
                 qPrintable(QStringLiteral("%1 of %2 arrived").arg(recorder.count()).arg(total)));
        for (auto& worker : workers)
            QVERIFY(worker->wait(10000));
        QTest::qWait(100); // anything doubled would arrive now
        g_figures.emitted += emitted;
        g_figures.delivered += recorder.count();
        g_figures.runs += 1;
        g_figures.mostThreads = qMax(g_figures.mostThreads, threads);
        QCOMPARE(emitted.load(), total);
        QCOMPARE(recorder.count(), total);

        // Each delivery back to its thread's script.
        QVector<QVector<Step>> arrived(threads);
        int offGuiThread = 0;
        for (const Recorder::Delivery& delivery : recorder.deliveries()) {
            offGuiThread += delivery.onGuiThread ? 0 : 1;
            int thread = delivery.kind == Kind::SignOut ? kSignOutThread : kSettingsThread;
            int index = -1;
            if (!delivery.tag.isNull()) {
                const QRegularExpressionMatch tag = kTag.match(delivery.tag);
                QVERIFY2(tag.hasMatch(), qPrintable(delivery.tag));
                thread = tag.captured(1).toInt();
                index = tag.captured(2).toInt();
                QVERIFY2(thread < threads, qPrintable(delivery.tag));
            }
            arrived[thread].append({delivery.kind, index});
        }
        QCOMPARE(offGuiThread, 0);
        for (int thread = 0; thread < threads; ++thread) {
            const QVector<Step>& sent = expected.at(thread);
            const QVector<Step>& got = arrived.at(thread);
            int same = 0;
            while (same < sent.size() && same < got.size() && sent.at(same) == got.at(same))
                ++same;
            QVERIFY2(same == sent.size() && got.size() == sent.size(),
                     qPrintable(QStringLiteral("thread %1: %2 of %3 in order, then sent [%4], "
                                               "arrived [%5]")
                                    .arg(thread)
                                    .arg(same)
                                    .arg(sent.size())
                                    .arg(describe(sent, same), describe(got, same))));
        }
    }

    void cleanupTestCase()
    {
        std::printf("threads: %d runs, up to %d worker threads sending at once\n", g_figures.runs,
                    g_figures.mostThreads);
        std::printf("threads: %lld signals emitted, %lld delivered on the GUI thread, each "
                    "thread's in order\n",
                    g_figures.emitted, g_figures.delivered);
        std::fflush(stdout);
    }
};

EKR_TEST_MAIN(RobustThreadsTest)
#include "tst_robust_threads.moc"
