// The component's lifecycle, robustly:
//  - every sequence of 1 to 5 lifecycle operations, each on a fresh
//    component, against a model of the component's state;
//  - a thousand cycles of installing, running and uninstalling the plugin on
//    one framework, which must stay free of leaks (the sanitizer build fails
//    on a LeakSanitizer report) and leave nothing behind.

#include "message_capture.h"
#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <ctkPlugin.h>
#include <ctkPluginContext.h>

#include <cstdio>

namespace {

// The operations a sequence is made of.
enum Op
{
    OpInitialize,      // I:  Initialize with the plugin context
    OpInitializeNoCtx, // N:  Initialize without "plugin_context"
    OpUninitialize,    // U
    OpStart,           // S
    OpStop1,           // T1: Stop with handle 1
    OpStop2,           // T2: Stop with handle 2
    OpExecute1,        // E1
    OpQuery1,          // Q1
    OpCount
};
const char* const kOpNames[OpCount] = {"I", "N", "U", "S", "T1", "T2", "E1", "Q1"};
constexpr int kMaxLength = 5;
constexpr int kInstallCycles = 1000;
constexpr int kReportedMismatches = 10;

// The recording doubles in attachment order, and their names for reports.
constexpr int kServices = 6;
const char* const kServiceNames[kServices] = {"logger",        "settings",    "uiLoader",
                                              "communication", "fileWatcher", "messagebox"};
constexpr int kLogger = 0;
constexpr int kSettings = 1;

const char* const kNoTreeMessage = "[com.ekr.configuration] The UI loader supplied no widget tree; "
                                   "the settings dialog stays unavailable";

// What the last lines of the run report; filled in by the test functions.
struct Totals
{
    long sequences = 0;
    long operations = 0;
    long destructions = 0;
    long mismatches = 0;
    long mismatchingSequences = 0;
    long cycles = 0;
    long cycleFailures = 0;
} g_totals;

// The component as the host should see it, and what the doubles should have
// recorded so far.
struct Model
{
    bool initialized = false;
    int state = -1; // -1 stopped, 1 started
    bool settingsHeld = false;
    bool loggerHeld = false;
    int dialogsBuilt = 0;
    QStringList calls[kServices];

    void attach()
    {
        calls[kLogger] << QStringLiteral("Initialize"); // the logger is never started
        for (int s = kSettings; s < kServices; ++s)
            calls[s] << QStringLiteral("Initialize") << QStringLiteral("Start");
        settingsHeld = loggerHeld = true;
    }
    // The component's own Stop; reaches no service.
    int stop(int handle)
    {
        if (!initialized)
            return -3;
        if (handle != 1)
            return -4;
        state = -1;
        return 0;
    }
    int uninitialize()
    {
        if (settingsHeld)
            calls[kSettings] << QStringLiteral("Stop(42)") << QStringLiteral("Uninitialize");
        settingsHeld = false;
        if (loggerHeld)
            calls[kLogger] << QStringLiteral("Uninitialize");
        loggerHeld = false;
        stop(state);
        initialized = false;
        return 0;
    }
    // Applies op; returns the expected result and sets the expected handle
    // (untouched stays as it was).
    int apply(Op op, QVariant& handle)
    {
        switch (op) {
        case OpInitialize:
            if (initialized)
                return 0;
            attach();
            initialized = true;
            return 0;
        case OpInitializeNoCtx:
            return initialized ? 0 : -1;
        case OpUninitialize:
            return uninitialize();
        case OpStart:
            if (!initialized)
                return -3;
            if (state == -1) {
                state = 1;
                ++dialogsBuilt;
            }
            handle = QVariant(state);
            return 0;
        case OpStop1:
            return stop(1);
        case OpStop2:
            return stop(2);
        case OpExecute1:
        case OpQuery1:
            return initialized ? 0 : -3;
        case OpCount:
            break;
        }
        return 0;
    }
};

QString spell(const Op* ops, int length)
{
    QStringList names;
    for (int i = 0; i < length; ++i)
        names << QLatin1String(kOpNames[ops[i]]);
    return names.join(QLatin1Char(' '));
}

QString listText(const QStringList& list)
{
    return QLatin1Char('[') + list.join(QStringLiteral(", ")) + QLatin1Char(']');
}

// Collects mismatches: counts them all, keeps the first few in words.
struct Mismatches
{
    long count = 0;
    QStringList reported;

    void add(const QString& text)
    {
        if (++count <= kReportedMismatches)
            reported << text;
    }
};

} // namespace

class RobustLifecycleTest : public QObject
{
    Q_OBJECT

    QStringList* callsOf(PluginHarness& h, int service)
    {
        switch (service) {
        case 0:
            return &h.logger.lifecycleCalls;
        case 1:
            return &h.settings.lifecycleCalls;
        case 2:
            return &h.uiLoader.lifecycleCalls;
        case 3:
            return &h.communication.lifecycleCalls;
        case 4:
            return &h.fileWatcher.lifecycleCalls;
        default:
            return &h.messagebox.lifecycleCalls;
        }
    }

    // Forgets everything the doubles recorded, so that a fresh component
    // starts from clean records.
    void resetDoubles(PluginHarness& h)
    {
        for (int s = 0; s < kServices; ++s)
            callsOf(h, s)->clear();
        h.logger.lastParams.clear();
        h.settings.lastParams.clear();
        h.settings.reads.clear();
        h.settings.writes.clear();
        h.settings.handlesSeen.clear();
        h.uiLoader.lastParams.clear();
        h.uiLoader.loadedNames.clear();
        h.communication.lastParams.clear();
        h.communication.requests.clear();
        h.fileWatcher.lastParams.clear();
        h.fileWatcher.calls.clear();
        h.messagebox.lastParams.clear();
        h.messagebox.questions.clear();
    }

    // Compares what the doubles recorded, the dialogs built and the messages
    // logged with the model; "where" names the point of the sequence.
    template <class Where>
    void compareRecords(PluginHarness& h, const Model& model, const MessageCapture& capture,
                        const Where& where, Mismatches& mismatches)
    {
        for (int s = 0; s < kServices; ++s) {
            const QStringList& actual = *callsOf(h, s);
            if (actual != model.calls[s])
                mismatches.add(QStringLiteral("%1: %2 calls %3, expected %4")
                                   .arg(where(), QLatin1String(kServiceNames[s]), listText(actual),
                                        listText(model.calls[s])));
        }
        if (h.uiLoader.loadedNames.size() != model.dialogsBuilt)
            mismatches.add(QStringLiteral("%1: %2 dialogs built, expected %3")
                               .arg(where())
                               .arg(h.uiLoader.loadedNames.size())
                               .arg(model.dialogsBuilt));
        // Each dialog built without a tree says so once; nothing else is said.
        int noTree = 0;
        for (const MessageCapture::Message& message : capture.messages()) {
            if (message.category == QLatin1String("ekr.configuration") &&
                message.type == QtCriticalMsg && message.text == QLatin1String(kNoTreeMessage))
                ++noTree;
            else
                mismatches.add(QStringLiteral("%1: unexpected message \"%2\" (%3)")
                                   .arg(where(), message.text, message.category));
        }
        if (noTree != model.dialogsBuilt)
            mismatches.add(QStringLiteral("%1: %2 \"no widget tree\" messages, expected %3")
                               .arg(where())
                               .arg(noTree)
                               .arg(model.dialogsBuilt));
    }

    // Runs one sequence on a fresh component and compares each step, and the
    // component's destruction, with the model.
    void runSequence(PluginHarness& h, const Op* ops, int length, MessageCapture& capture,
                     Mismatches& mismatches)
    {
        resetDoubles(h);
        capture.clear();
        h.plugin()->start(); // creates a fresh component
        EKBaseInterface* lifecycle = h.lifecycle();
        if (!lifecycle) {
            mismatches.add(QStringLiteral("[%1]: no component after starting the plugin")
                               .arg(spell(ops, length)));
            return;
        }

        const QVariantHash withContext = h.params();
        QVariantHash withoutContext = withContext;
        withoutContext.remove(QStringLiteral("plugin_context"));
        const QVariant untouched(QStringLiteral("untouched"));

        Model model;
        for (int i = 0; i < length; ++i) {
            const Op op = ops[i];
            QVariant handle = untouched;
            QVariant expectedHandle = untouched;
            const int expected = model.apply(op, expectedHandle);
            QVariant argument;
            int result = 0;
            switch (op) {
            case OpInitialize:
                result = lifecycle->Initialize(withContext);
                break;
            case OpInitializeNoCtx:
                result = lifecycle->Initialize(withoutContext);
                break;
            case OpUninitialize:
                result = lifecycle->Uninitialize();
                break;
            case OpStart:
                result = lifecycle->Start(handle, QVariantHash());
                break;
            case OpStop1:
                result = lifecycle->Stop(QVariant(1));
                break;
            case OpStop2:
                result = lifecycle->Stop(QVariant(2));
                break;
            case OpExecute1:
                result = lifecycle->Execute(QVariant(1), argument);
                break;
            case OpQuery1:
                result = lifecycle->Query(QVariant(1));
                break;
            case OpCount:
                break;
            }
            ++g_totals.operations;

            // Spelt out only when something is reported.
            const auto where = [&] {
                return QStringLiteral("[%1] after op %2 (%3)")
                    .arg(spell(ops, length))
                    .arg(i + 1)
                    .arg(kOpNames[op]);
            };
            if (result != expected)
                mismatches.add(QStringLiteral("%1: result %2, expected %3")
                                   .arg(where())
                                   .arg(result)
                                   .arg(expected));
            if (handle != expectedHandle)
                mismatches.add(QStringLiteral("%1: handle %2, expected %3")
                                   .arg(where(), handle.toString(), expectedHandle.toString()));
            compareRecords(h, model, capture, where, mismatches);
        }

        // Destroying the component runs Uninitialize once more.
        h.stopPlugin();
        model.uninitialize();
        ++g_totals.destructions;
        const auto where = [&] {
            return QStringLiteral("[%1] after destruction").arg(spell(ops, length));
        };
        if (h.component())
            mismatches.add(QStringLiteral("%1: the component is still registered").arg(where()));
        compareRecords(h, model, capture, where, mismatches);
    }

private slots:
    void everySequenceMatchesTheModel()
    {
        PluginHarness harness;
        harness.bringUp();
        harness.stopPlugin(); // each sequence starts it, and so gets its own component
        QVERIFY(!harness.component());

        Mismatches mismatches;
        long sequences = 0;
        QElapsedTimer timer;
        timer.start();
        {
            MessageCapture capture; // the component's messages are checked, not printed
            Op ops[kMaxLength];
            for (int length = 1; length <= kMaxLength; ++length) {
                long combinations = 1;
                for (int i = 0; i < length; ++i)
                    combinations *= OpCount;
                for (long code = 0; code < combinations; ++code) {
                    long rest = code;
                    for (int i = length - 1; i >= 0; --i) {
                        ops[i] = Op(rest % OpCount);
                        rest /= OpCount;
                    }
                    const long before = mismatches.count;
                    runSequence(harness, ops, length, capture, mismatches);
                    ++sequences;
                    if (mismatches.count != before)
                        ++g_totals.mismatchingSequences;
                }
            }
        }
        g_totals.sequences += sequences;
        g_totals.mismatches += mismatches.count;

        for (const QString& line : qAsConst(mismatches.reported))
            qWarning().noquote() << "mismatch:" << line;
        if (mismatches.count > mismatches.reported.size())
            qWarning().noquote() << "... and" << (mismatches.count - mismatches.reported.size())
                                 << "more mismatches";
        qInfo().noquote()
            << QStringLiteral("%1 sequences in %2 ms").arg(sequences).arg(timer.elapsed());

        long expectedSequences = 0;
        for (long n = OpCount, length = 1; length <= kMaxLength; ++length, n *= OpCount)
            expectedSequences += n;
        QCOMPARE(sequences, expectedSequences);
        QCOMPARE(mismatches.count, 0L);
    }

    void reinstallationLeavesNothingBehind()
    {
        // One framework, with the doubles registered once for all cycles: an
        // uninstalled plugin is forgotten by the framework, so installing the
        // same location again loads it anew (the library stays mapped).
        PluginHarness harness;
        harness.registerServices();
        ctkPluginContext* framework = harness.context();
        const QUrl location = QUrl::fromLocalFile(PluginHarness::pluginPath());
        const QStringList attachedAndStarted{"Initialize", "Start"};
        const QStringList released{"Initialize", "Start", "Stop(42)", "Uninitialize"};

        Mismatches failures;
        long previousId = -1;
        QElapsedTimer timer;
        timer.start();
        {
            MessageCapture capture;
            for (int cycle = 1; cycle <= kInstallCycles; ++cycle) {
                const QString where = QStringLiteral("cycle %1").arg(cycle);
                auto fail = [&](const QString& what) { failures.add(where + ": " + what); };
                resetDoubles(harness);
                capture.clear();

                QSharedPointer<ctkPlugin> plugin = framework->installPlugin(location);
                if (!plugin || plugin->getState() != ctkPlugin::RESOLVED) {
                    fail(QStringLiteral("install gave no resolved plugin"));
                    break;
                }
                if (plugin->getPluginId() == previousId)
                    fail(QStringLiteral("install returned the uninstalled plugin"));
                previousId = plugin->getPluginId();
                if (framework->installPlugin(location) != plugin)
                    fail(QStringLiteral("installing again did not return the installed plugin"));

                plugin->start();
                EKBaseInterface* lifecycle = harness.lifecycle();
                if (plugin->getState() != ctkPlugin::ACTIVE || !lifecycle) {
                    fail(QStringLiteral("no component after start"));
                    plugin->uninstall();
                    break;
                }
                QVariant handle;
                QVariant argument;
                if (lifecycle->Initialize(harness.params()) != 0)
                    fail(QStringLiteral("Initialize failed"));
                if (lifecycle->Start(handle, QVariantHash()) != 0 || handle != QVariant(1))
                    fail(QStringLiteral("Start failed or gave handle %1").arg(handle.toString()));
                if (lifecycle->Execute(handle, argument) != 0 || lifecycle->Query(handle) != 0)
                    fail(QStringLiteral("Execute or Query refused the handle"));
                if (lifecycle->Stop(handle) != 0)
                    fail(QStringLiteral("Stop failed"));
                if (lifecycle->Uninitialize() != 0)
                    fail(QStringLiteral("Uninitialize failed"));

                plugin->stop();
                if (harness.component())
                    fail(QStringLiteral("the component outlived the plugin's stop"));
                plugin->uninstall();
                if (plugin->getState() != ctkPlugin::UNINSTALLED)
                    fail(QStringLiteral("the plugin is not uninstalled"));
                // Only the framework itself is left installed.
                if (framework->getPlugins().size() != 1)
                    fail(QStringLiteral("%1 plugins installed after uninstall")
                             .arg(framework->getPlugins().size()));

                // Exactly one attachment, release and dialog per cycle.
                if (harness.settings.lifecycleCalls != released)
                    fail(QStringLiteral("settings calls %1")
                             .arg(listText(harness.settings.lifecycleCalls)));
                if (harness.logger.lifecycleCalls != QStringList({"Initialize", "Uninitialize"}))
                    fail(QStringLiteral("logger calls %1")
                             .arg(listText(harness.logger.lifecycleCalls)));
                for (int s = 2; s < kServices; ++s) {
                    if (*callsOf(harness, s) != attachedAndStarted)
                        fail(QStringLiteral("%1 calls %2")
                                 .arg(kServiceNames[s], listText(*callsOf(harness, s))));
                }
                if (harness.uiLoader.loadedNames.size() != 1)
                    fail(QStringLiteral("%1 dialogs built")
                             .arg(harness.uiLoader.loadedNames.size()));
                // The deleted component keeps no connection to the services.
                const int connections =
                    harness.settings.connectionCount(SIGNAL(SettingsUpdated())) +
                    harness.uiLoader.connectionCount(SIGNAL(SkinChanged(QString))) +
                    harness.uiLoader.connectionCount(SIGNAL(LanguageChanged(QString))) +
                    harness.communication.connectionCount(
                        SIGNAL(LatestVersionResponse(int, QVariantMap))) +
                    harness.communication.connectionCount(
                        SIGNAL(SignInResponse(int, QVariantMap))) +
                    harness.communication.connectionCount(
                        SIGNAL(PoolIdResponse(int, QVariantMap))) +
                    harness.communication.connectionCount(
                        SIGNAL(SignOutResponse(int, QVariantMap)));
                if (connections != 0)
                    fail(QStringLiteral("%1 connections to the services left").arg(connections));
                for (const MessageCapture::Message& message : capture.messages()) {
                    if (message.text != QLatin1String(kNoTreeMessage))
                        fail(QStringLiteral("unexpected message \"%1\" (%2)")
                                 .arg(message.text, message.category));
                }
                ++g_totals.cycles;
            }
        }
        g_totals.cycleFailures += failures.count;

        for (const QString& line : qAsConst(failures.reported))
            qWarning().noquote() << "failure:" << line;
        qInfo().noquote() << QStringLiteral("%1 install cycles in %2 ms")
                                 .arg(g_totals.cycles)
                                 .arg(timer.elapsed());
        QCOMPARE(failures.count, 0L);
        QCOMPARE(g_totals.cycles, long(kInstallCycles));
    }
};

// As EKR_TEST_MAIN, with the totals as the very last lines of the output.
int main(int argc, char** argv)
{
    HermeticEnvironment environment;
    QApplication app(argc, argv);
    int result = 0;
    {
        RobustLifecycleTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    std::printf("Lifecycle sequences checked: %ld (lengths 1 to %d of %d operations), "
                "operations checked: %ld, destructions checked: %ld\n",
                g_totals.sequences, kMaxLength, int(OpCount), g_totals.operations,
                g_totals.destructions);
    std::printf("Mismatches against the model: %ld (in %ld sequences)\n", g_totals.mismatches,
                g_totals.mismatchingSequences);
    std::printf("Install/uninstall cycles run: %ld (failures: %ld)\n", g_totals.cycles,
                g_totals.cycleFailures);
    std::fflush(stdout);
    return result;
}

#include "tst_robust_lifecycle.moc"
