// The component's lifecycle against a model of its states: every sequence of
// one to five operations on a fresh component, then its destruction, with a
// thousand install-to-uninstall cycles among them (the sanitizer build fails
// on any leak they leave).

#include "plugin_harness.h"
#include "test_environment.h"

#include <cstdio>

namespace {
// Per state (off, on and stopped, on and started): each operation's result and
// next state. N initialises without a plugin context; T1 and T2 stop with the
// handle 1 or 2, E1 and Q1 pass 1. Off to on attaches the six services, on to
// off releases settings and logger, stopped to started builds the dialog (the
// UI loader gives no tree).
constexpr int I = 0, N = 1, U = 2, S = 3, T1 = 4, T2 = 5, E1 = 6, Q1 = 7, kOpCount = 8;
const struct
{
    const char* name;
    int result[3], next[3];
} kOps[kOpCount] = {
    {"I", {0, 0, 0}, {1, 1, 2}},   {"N", {-1, 0, 0}, {0, 1, 2}},  {"U", {0, 0, 0}, {0, 0, 0}},
    {"S", {-3, 0, 0}, {0, 2, 2}},  {"T1", {-3, 0, 0}, {0, 1, 1}}, {"T2", {-3, -4, -4}, {0, 1, 2}},
    {"E1", {-3, 0, 0}, {0, 1, 2}}, {"Q1", {-3, 0, 0}, {0, 1, 2}},
};

// What a host sees: the result and handle of a call, what Execute and Query
// answer to a foreign handle, dialogs built, whether the component is
// registered, its connections, each service's lifecycle calls, and whose
// parameters (their "client") the services last got.
QString seen(int result, const QVariant& handle, const QString& foreign, int dialogs,
             bool registered, const QString& services, const QString& client)
{
    return QStringLiteral("%1 %2 (%3), %4 dialogs, %5, %6 @%7")
        .arg(result)
        .arg(handle.toString(), foreign)
        .arg(dialogs)
        .arg(registered ? "registered" : "gone", services, client);
}

struct
{
    long sequences = 0, operations = 0, mismatches = 0, cycles = 0, failures = 0;
} g_totals;

// Starts the plugin, which makes a fresh component, runs the operations on it,
// then stops the plugin, which destroys it; compares each step and the
// destruction with the model. Returns the number of mismatches.
int run(PluginHarness& h, ctkPlugin& plugin, const QVector<int>& ops)
{
    for (FakeLifecycleState* service : h.doubles())
        service->lifecycleCalls.clear(), service->lastParams.clear();
    h.uiLoader.loadedNames.clear();
    plugin.start();
    EKBaseInterface* component = h.component();
    int state = 0, dialogs = 0, mismatches = 0;
    QStringList calls = {"", "", "", "", "", ""};
    QString label, client;
    const auto check = [&](int op, int result, const QVariant& handle, bool alive) {
        const int next = kOps[op].next[state], expected = kOps[op].result[state];
        const QVariant expectedHandle = op == S && state > 0 ? 1 : QVariant("untouched");
        if (state == 0 && next > 0) {
            calls[0] += " Initialize";
            for (int k = 1; k < 6; ++k)
                calls[k] += " Initialize Start";
            client = label;
        }
        if (state > 0 && next == 0)
            calls[0] += " Uninitialize", calls[1] += " Stop(42) Uninitialize";
        dialogs += state < 2 && next == 2;
        state = next;
        // Communication stays connected until the component goes, never twice.
        QString services = QString::number(state > 0) + (alive && client.size() ? "1111" : "0000");
        for (const QString& service : calls)
            services += "; " + service.trimmed();
        const QString modelled = seen(expected, expectedHandle,
                                      !alive  ? ""
                                      : state ? "-4 -4"
                                              : "-3 -3",
                                      dialogs, alive, services, client);
        QVariant argument;
        const QString foreign = !alive ? ""
                                       : QStringLiteral("%1 %2")
                                             .arg(component->Execute(2, argument))
                                             .arg(component->Query(2));
        const QString actual =
            seen(result, handle, foreign, h.uiLoader.loadedNames.size(), h.component(),
                 h.connections() + h.calls(), h.messagebox.lastParams["client"].toString());
        if (actual != modelled && ++mismatches <= 3)
            std::fprintf(stderr, "mismatch after [%s]:\n  got      %s\n  expected %s\n",
                         qPrintable(label), qPrintable(actual), qPrintable(modelled));
    };
    for (int op : ops) {
        label += QString(label.isEmpty() ? "" : " ") + kOps[op].name;
        QVariantHash params = h.params();
        params["client"] = label;
        if (op == N)
            params.remove("plugin_context");
        QVariant handle = "untouched", argument;
        const int other = op == T2 ? 2 : 1;
        const int result = op == I || op == N ? component->Initialize(params)
                           : op == U          ? component->Uninitialize()
                           : op == S          ? component->Start(handle, {})
                           : op == E1         ? component->Execute(other, argument)
                           : op == Q1         ? component->Query(other)
                                              : component->Stop(other);
        check(op, result, handle, true);
    }
    plugin.stop(); // destroying the component uninitialises it
    label += " and the destruction";
    check(U, 0, "untouched", false);
    return mismatches;
}
} // namespace

class RobustLifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // That no dialog can be built without a tree is expected, not printed.
        QLoggingCategory::setFilterRules("ekr.configuration.critical=false");
    }

    // Every 37th sequence runs on a freshly installed plugin: an uninstalled
    // plugin is forgotten, so each install loads it anew.
    void everySequenceMatchesTheModel()
    {
        PluginHarness h;
        h.registerServices();
        QSharedPointer<ctkPlugin> plugin;
        for (int length = 1, combinations = kOpCount; length <= 5;
             ++length, combinations *= kOpCount) {
            for (int code = 0; code < combinations; ++code, ++g_totals.sequences) {
                QVector<int> ops(length);
                for (int i = length - 1, rest = code; i >= 0; --i, rest /= kOpCount)
                    ops[i] = rest % kOpCount;
                if (g_totals.sequences % 37 == 0) {
                    const long previousId = plugin ? plugin->getPluginId() : -1;
                    if (plugin)
                        plugin->uninstall(), ++g_totals.cycles;
                    g_totals.failures += h.context()->getPlugins().size() != 1; // the framework
                    plugin = h.context()->installPlugin(QUrl::fromLocalFile(EKR_PLUGIN_PATH));
                    g_totals.failures += plugin->getPluginId() == previousId;
                }
                g_totals.mismatches += run(h, *plugin, ops);
                g_totals.operations += length;
            }
        }
        std::printf("Lifecycle sequences checked: %ld (lengths 1 to 5 of %d operations, each "
                    "then destroyed), operations checked: %ld, mismatches: %ld\n"
                    "Install/uninstall cycles run: %ld (failures: %ld)\n",
                    g_totals.sequences, kOpCount, g_totals.operations, g_totals.mismatches,
                    g_totals.cycles, g_totals.failures);
        QCOMPARE(g_totals.sequences, 37448L);
        QCOMPARE(g_totals.mismatches + g_totals.failures, 0L);
    }
};

EKR_TEST_MAIN(RobustLifecycleTest)
#include "tst_robust_lifecycle.moc"
