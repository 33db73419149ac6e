// The component's lifecycle, robustly: every sequence of 1 to 5 operations on
// a fresh component against a model, and a thousand install-to-uninstall
// cycles on one framework (the sanitizer build fails on any leak they leave).

#include "message_capture.h"
#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <ctkPlugin.h>
#include <ctkPluginContext.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kMaxLength = 5;
constexpr int kInstallCycles = 1000;
const char* const kNoTreeMessage = "[com.ekr.configuration] The UI loader supplied no widget tree; "
                                   "the settings dialog stays unavailable";

// The model: per state (off, on and stopped, on and started) each operation's
// result and next state. Off to on attaches the services, on to off releases
// them, stopped to started builds a dialog (unavailable: the doubles give no tree).
constexpr int I = 0, N = 1, U = 2, S = 3, T1 = 4, T2 = 5, E1 = 6, Q1 = 7, kOpCount = 8;
const struct
{
    const char* name;
    int result[3];
    int next[3];
} kOps[kOpCount] = {
    {"I", {0, 0, 0}, {1, 1, 2}},   {"N", {-1, 0, 0}, {0, 1, 2}},  {"U", {0, 0, 0}, {0, 0, 0}},
    {"S", {-3, 0, 0}, {0, 2, 2}},  {"T1", {-3, 0, 0}, {0, 1, 1}}, {"T2", {-3, -4, -4}, {0, 1, 2}},
    {"E1", {-3, 0, 0}, {0, 1, 2}}, {"Q1", {-3, 0, 0}, {0, 1, 2}},
};

struct Model
{
    int state = 0, attaches = 0, releases = 0, dialogs = 0;

    // Returns the expected result.
    int apply(int op)
    {
        const int next = kOps[op].next[state];
        attaches += state == 0 && next > 0 ? 1 : 0;
        releases += state > 0 && next == 0 ? 1 : 0;
        dialogs += state < 2 && next == 2 ? 1 : 0;
        return kOps[op].result[std::exchange(state, next)];
    }
};

int perform(EKBaseInterface* component, int op, const QVariantHash& params, QVariant& handle)
{
    QVariantHash withoutContext = params;
    withoutContext.remove(QStringLiteral("plugin_context"));
    QVariant argument;
    switch (op) {
    case I:
    case N:
        return component->Initialize(op == I ? params : withoutContext);
    case U:
        return component->Uninitialize();
    case S:
        return component->Start(handle, QVariantHash());
    case T1:
    case T2:
        return component->Stop(QVariant(op == T1 ? 1 : 2));
    case E1:
        return component->Execute(QVariant(1), argument);
    default:
        return component->Query(QVariant(1));
    }
}

// Each double's calls per attachment and per release: logger, settings, UI
// loader, communication, file watcher, message box.
const struct
{
    const char* attach;
    const char* release;
} kServiceCalls[] = {
    {"Initialize ", "Uninitialize "}, {"Initialize Start ", "Stop(42) Uninitialize "},
    {"Initialize Start ", ""},        {"Initialize Start ", ""},
    {"Initialize Start ", ""},        {"Initialize Start ", ""}};

std::array<QStringList*, 6> callsOf(PluginHarness& h)
{
    return {&h.logger.lifecycleCalls,      &h.settings.lifecycleCalls,
            &h.uiLoader.lifecycleCalls,    &h.communication.lifecycleCalls,
            &h.fileWatcher.lifecycleCalls, &h.messagebox.lifecycleCalls};
}

// Result, handle, dialogs built, messages, whether the component is still
// registered, then each double's lifecycle calls.
QString describe(int result, const QVariant& handle, int dialogs, const QString& messages,
                 bool registered, const QStringList& calls)
{
    return QStringLiteral("result %1, handle %2 %3, %4 dialogs, messages [%5], %6; %7")
        .arg(result)
        .arg(QLatin1String(handle.typeName()), handle.toString())
        .arg(dialogs)
        .arg(messages, QLatin1String(registered ? "registered" : "gone"), calls.join("; "));
}

QString observed(PluginHarness& h, const MessageCapture& capture, int result,
                 const QVariant& handle)
{
    QString messages;
    for (const MessageCapture::Message& m : capture.messages())
        messages += QStringLiteral("%1 %2 %3|").arg(m.category).arg(m.type).arg(m.text);
    QStringList calls;
    for (const QStringList* serviceCalls : callsOf(h))
        calls << serviceCalls->join(QLatin1Char(' '));
    return describe(result, handle, h.uiLoader.loadedNames.size(), messages, h.component(), calls);
}

// Each dialog built says once, as a critical message, that it has no widget tree.
QString modelled(const Model& m, int result, const QVariant& handle, bool registered)
{
    const QString noTree = QStringLiteral("ekr.configuration %1 %2|")
                               .arg(QtCriticalMsg)
                               .arg(QLatin1String(kNoTreeMessage));
    QStringList calls;
    for (const auto& service : kServiceCalls) {
        QString serviceCalls;
        for (int k = 0; k < m.attaches; ++k)
            serviceCalls += QLatin1String(service.attach) +
                            QLatin1String(k < m.releases ? service.release : "");
        calls << serviceCalls.trimmed();
    }
    return describe(result, handle, m.dialogs, noTree.repeated(m.dialogs), registered, calls);
}

struct
{
    long sequences = 0, operations = 0, destructions = 0, mismatches = 0, mismatching = 0;
    long cycles = 0, cycleFailures = 0;
} g_totals;

void printTotals()
{
    std::printf("Lifecycle sequences checked: %ld (lengths 1 to %d of %d operations), "
                "operations checked: %ld, destructions checked: %ld\n",
                g_totals.sequences, kMaxLength, kOpCount, g_totals.operations,
                g_totals.destructions);
    std::printf("Mismatches against the model: %ld (in %ld sequences)\n", g_totals.mismatches,
                g_totals.mismatching);
    std::printf("Install/uninstall cycles run: %ld (failures: %ld)\n", g_totals.cycles,
                g_totals.cycleFailures);
    std::fflush(stdout);
}

// Counts a mismatch, and prints the first few past the message capture.
void check(long& count, const QString& actual, const QString& expected, const QString& where)
{
    if (actual != expected && ++count <= 10)
        std::fprintf(stderr, "mismatch: %s:\n  got      %s\n  expected %s\n", qPrintable(where),
                     qPrintable(actual), qPrintable(expected));
}

// Starts the plugin, which creates a fresh component, runs the operations on
// it, then stops the plugin: the component's destruction uninitializes it once
// more. Each step and the destruction are compared with the model.
void run(PluginHarness& h, ctkPlugin& plugin, const int* ops, int length, const QString& label,
         MessageCapture& capture, long& mismatches)
{
    for (QStringList* calls : callsOf(h))
        calls->clear();
    h.uiLoader.loadedNames.clear();
    capture.clear();
    plugin.start();
    EKBaseInterface* component = h.lifecycle();
    if (!component)
        return check(mismatches, QStringLiteral("no component"), QStringLiteral("a component"),
                     label);
    const QVariantHash params = h.params();
    const QVariant untouched(QStringLiteral("untouched"));
    Model m;
    for (int i = 0; i < length; ++i) {
        QVariant handle = untouched;
        const QVariant expectedHandle = ops[i] == S && m.state > 0 ? QVariant(1) : untouched;
        const int result = perform(component, ops[i], params, handle);
        const int expected = m.apply(ops[i]);
        check(mismatches, observed(h, capture, result, handle),
              modelled(m, expected, expectedHandle, true),
              label + QStringLiteral(" after op %1").arg(i + 1));
    }
    plugin.stop();
    m.apply(U);
    check(mismatches, observed(h, capture, 0, untouched), modelled(m, 0, untouched, false),
          label + QLatin1String(" after destruction"));
}

QString spell(const int* ops, int length)
{
    QStringList names;
    for (int i = 0; i < length; ++i)
        names << QLatin1String(kOps[ops[i]].name);
    return QLatin1Char('[') + names.join(QLatin1Char(' ')) + QLatin1Char(']');
}

} // namespace

class RobustLifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::atexit(printTotals); } // after QTest's own summary

    void everySequenceMatchesTheModel()
    {
        PluginHarness harness;
        harness.bringUp();
        harness.stopPlugin();   // each sequence starts it, and so gets its own component
        MessageCapture capture; // the component's messages are checked, not printed
        int ops[kMaxLength];
        for (long length = 1, combinations = kOpCount; length <= kMaxLength;
             ++length, combinations *= kOpCount) {
            for (long code = 0; code < combinations; ++code) {
                for (long i = length - 1, rest = code; i >= 0; --i, rest /= kOpCount)
                    ops[i] = int(rest % kOpCount);
                const long before = g_totals.mismatches;
                run(harness, *harness.plugin(), ops, length, spell(ops, length), capture,
                    g_totals.mismatches);
                ++g_totals.sequences, ++g_totals.destructions;
                g_totals.operations += length;
                g_totals.mismatching += g_totals.mismatches != before ? 1 : 0;
            }
        }
        QCOMPARE(g_totals.sequences, 37448L);
        QCOMPARE(g_totals.mismatches, 0L);
    }

    void reinstallationLeavesNothingBehind()
    {
        // The doubles are registered once; an uninstalled plugin is forgotten
        // by the framework, so each install loads it anew.
        PluginHarness harness;
        harness.registerServices();
        ctkPluginContext* framework = harness.context();
        const QUrl location = QUrl::fromLocalFile(PluginHarness::pluginPath());
        const int ops[] = {I, S, E1, Q1, T1, U};
        MessageCapture capture;
        long previousId = -1;
        for (int cycle = 1; cycle <= kInstallCycles; ++cycle) {
            const QString label = QStringLiteral("cycle %1 ").arg(cycle) + spell(ops, 6);
            QSharedPointer<ctkPlugin> plugin = framework->installPlugin(location);
            QVERIFY2(plugin && plugin->getState() == ctkPlugin::RESOLVED, qPrintable(label));
            QVERIFY2(plugin->getPluginId() != previousId, qPrintable(label));
            QVERIFY2(framework->installPlugin(location) == plugin, qPrintable(label));
            previousId = plugin->getPluginId();
            run(harness, *plugin, ops, 6, label, capture, g_totals.cycleFailures);
            plugin->uninstall();
            // Nothing of the plugin is left: not in the framework, nor connected to a service.
            QVERIFY2(plugin->getState() == ctkPlugin::UNINSTALLED, qPrintable(label));
            QVERIFY2(framework->getPlugins().size() == 1, qPrintable(label));
            const int connections =
                harness.settings.connectionCount(SIGNAL(SettingsUpdated())) +
                harness.uiLoader.connectionCount(SIGNAL(SkinChanged(QString))) +
                harness.uiLoader.connectionCount(SIGNAL(LanguageChanged(QString))) +
                harness.communication.connectionCount(
                    SIGNAL(LatestVersionResponse(int, QVariantMap))) +
                harness.communication.connectionCount(SIGNAL(SignInResponse(int, QVariantMap))) +
                harness.communication.connectionCount(SIGNAL(PoolIdResponse(int, QVariantMap))) +
                harness.communication.connectionCount(SIGNAL(SignOutResponse(int, QVariantMap)));
            QVERIFY2(connections == 0, qPrintable(label));
            ++g_totals.cycles;
        }
        QCOMPARE(g_totals.cycleFailures, 0L);
    }
};

EKR_TEST_MAIN(RobustLifecycleTest)
#include "tst_robust_lifecycle.moc"
