// The component's lifecycle as a host drives it: attaching the six host services, each absent, of
// the wrong interface, failing or throwing, and releasing them; and every sequence of one to five
// operations against a model of its states, with a thousand install-to-uninstall cycles among them.

#include "plugin_harness.h"
#include "test_environment.h"

#include <cstdio>

namespace {
const char* const kIds[6] = {"logger",        "settings",    "uiloader",
                             "communication", "filewatcher", "messagebox"};
int g_attaching = 0, g_releasing = 0;

// Per state (off, on and stopped, on and started): each operation's result and next state. N
// initialises without a plugin context, T1 and T2 stop with the handle 1 or 2, E1 and Q1 pass 1.
// Off to on attaches the services, on to off releases settings and logger, on starting a dialog.
constexpr int I = 0, N = 1, U = 2, S = 3, T1 = 4, T2 = 5, E1 = 6, Q1 = 7;
const char* const kNames[8] = {"I", "N", "U", "S", "T1", "T2", "E1", "Q1"};
const int kResult[8][3] = {{0, 0, 0},  {-1, 0, 0},   {0, 0, 0},  {-3, 0, 0},
                           {-3, 0, 0}, {-3, -4, -4}, {-3, 0, 0}, {-3, 0, 0}};
const int kNext[8][3] = {{1, 1, 2}, {0, 1, 2}, {0, 0, 0}, {0, 2, 2},
                         {0, 1, 1}, {0, 1, 2}, {0, 1, 2}, {0, 1, 2}};

// A fresh component (the plugin started) runs the operations, the base-8 digits of code, then is
// destroyed (the plugin stopped); returns how many steps differ from the model.
int run(PluginHarness& h, ctkPlugin& plugin, int code, int length)
{
    for (FakeLifecycleState* service : h.doubles)
        service->lifecycleCalls.clear();
    h.uiLoader.loadedNames.clear();
    plugin.start();
    EKBaseInterface* component = h.component();
    int state = 0, dialogs = 0, mismatches = 0;
    QStringList calls{"", "", "", "", "", ""}, label;
    QVariant argument;
    // What a host sees: a call's result and handle, what Execute and Query answer to a foreign
    // handle, dialogs built, registration, connections and each service's lifecycle calls.
    const auto seen = [](auto... v) { return QStringList{QVariant(v).toString()...}.join(", "); };
    const auto check = [&](int op, int result, const QVariant& handle, bool alive) {
        const int next = kNext[op][state], foreign = !alive ? 0 : next ? -4 : -3;
        for (int k = 0; k < 6 && !state && next; ++k)
            calls[k] += k ? " Initialize Start" : " Initialize"; // the logger is never started
        if (state && !next)
            calls[0] += " Uninitialize", calls[1] += " Stop(42) Uninitialize";
        dialogs += state < 2 && next == 2;
        // Communication stays connected until the component goes, never twice.
        const QString expected = seen(
            kResult[op][state], op == S && state ? "1" : "untouched", foreign, foreign, dialogs,
            alive, QString::number(next > 0) + (alive && calls[5].size() ? "1111" : "0000"),
            QString("; " + calls.join("; ")).replace(";  ", "; "));
        const QString actual = seen(result, handle, alive ? component->Execute(2, argument) : 0,
                                    alive ? component->Query(2) : 0, h.uiLoader.loadedNames.size(),
                                    bool(h.component()), h.connections(), h.calls());
        if (actual != expected && ++mismatches <= 3)
            std::fprintf(stderr, "mismatch after %s:\n  got      %s\n  expected %s\n",
                         qPrintable(label.join(' ')), qPrintable(actual), qPrintable(expected));
        state = next;
    };
    for (int i = length - 1; i >= 0; --i) {
        const int op = code >> 3 * i & 7;
        label << kNames[op];
        QVariant handle = "untouched";
        const int result = op <= N    ? component->Initialize(op == I ? h.params() : QVariantHash())
                           : op == U  ? component->Uninitialize()
                           : op == S  ? component->Start(handle, {})
                           : op == E1 ? component->Execute(1, argument)
                           : op == Q1 ? component->Query(1)
                                      : component->Stop(op == T2 ? 2 : 1);
        check(op, result, handle, true);
    }
    plugin.stop(); // destroying the component uninitialises it
    label << "and the destruction";
    check(U, 0, "untouched", false);
    return mismatches;
}
} // namespace

class LifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase()
    {
        if (g_attaching > 0) // not when the lifecycle model runs alone
            std::printf("faults: %d injected while attaching (absent, wrong interface, failing, "
                        "throwing), %d while releasing; no crash\n",
                        g_attaching, g_releasing);
    }

    void failingStep_data()
    {
        QTest::addColumn<int>("step"), QTest::addColumn<QString>("fault");
        for (int step = 0; step < 6; ++step)
            for (QString fault : {"absent", "wrong interface", "Initialize fails",
                                  "Initialize throws", "Start fails", "Start throws"})
                if (step > 0 || !fault.startsWith("Start")) // the logger is never started
                    QTest::addRow("%s: %s", kIds[step], qPrintable(fault)) << step << fault;
        QTest::newRow("settings: Stop throws") << 1 << "Stop throws";
        QTest::newRow("settings: Uninitialize throws") << 1 << "Uninitialize throws";
        QTest::newRow("logger: Uninitialize throws") << 0 << "Uninitialize throws";
    }
    // Initialize, Uninitialize, then the plugin's stop, which destroys the component.
    void failingStep()
    {
        QFETCH(int, step);
        QFETCH(QString, fault);
        PluginHarness harness;
        harness.doubles[step]->failing = fault.section(' ', 0, 0);
        harness.doubles[step]->throwing = fault.endsWith("throws");
        const bool reached = fault != "absent" && fault != "wrong interface";
        if (!reached) // of the wrong interface: another service's double, which notes any call
            harness.services[step] = fault == "absent" ? nullptr : harness.services[(step + 1) % 6];
        const bool releasing = fault.startsWith("Stop") || fault.startsWith("Uninitialize");
        ++(releasing ? g_releasing : g_attaching);
        harness.bringUp();
        QLoggingCategory::setFilterRules("*.debug=false");
        MessageCapture capture;
        QString seen = QString::number(harness.initialize());
        seen += ' ' + harness.connections(); // after Initialize: + does not order its operands
        harness.component()->Uninitialize();
        harness.stopPlugin();
        seen += harness.calls();
        for (QString line : capture.text.split('\n').filter(" [ekr.configuration] "))
            seen += "; " + line.remove(" [ekr.configuration]"); // what the host logs
        // The services before the failing one are attached and connected, the failing one got as
        // far as its fault lets it, later ones are not even looked up. Settings and logger, where
        // reached, are released once.
        const int failed = releasing ? 6 : step;
        QString expected =
            QStringLiteral("%1 %2%3").arg(releasing ? 0 : -1).arg(failed > 1).arg(failed > 3) +
            (releasing ? "111" : "000");
        for (int k = 0; k < 6; ++k) {
            const bool tried = k < failed || (k == failed && reached);
            const bool started = k < failed ? k > 0 : k == failed && fault.startsWith("Start");
            expected += QString("; ") + (tried ? "Initialize" : "") + (started ? " Start" : "") +
                        (k == 1 && tried ? (failed > 1 ? " Stop(42)" : " Stop(0)") : "") +
                        (k < 2 && tried ? " Uninitialize" : "");
        }
        if (releasing || (step > 2 && !fault.endsWith("throws")))
            expected += QStringLiteral("; %1 [com.ekr.configuration] ").arg(QtCriticalMsg) +
                        QString(releasing ? "The %1 service failed while being released"
                                          : "Module com.ekr.%1 is invalid")
                            .arg(kIds[step]);
        QCOMPARE(seen, expected);
        for (FakeLifecycleState* service : harness.doubles) // the host's parameters, passed on
            QVERIFY(service->lifecycleCalls.isEmpty() || service->lastParams == harness.params());
    }

    void servicesDeletedByTheHostAreNotTouched()
    {
        PluginHarness harness;
        harness.services[0] = new FakeLogger, harness.services[1] = new FakeSettings;
        harness.bringUp();
        QCOMPARE(harness.initialize(), 0);
        qDeleteAll(harness.services, harness.services + 2);
        QCOMPARE(harness.component()->Uninitialize(), 0); // the sanitizers see any touch
    }

    // Every 37th sequence runs on a freshly installed plugin, which the
    // sanitizer build checks for leaks.
    void everySequenceMatchesTheModel()
    {
        // That no dialog can be built without a tree is expected, not printed.
        QLoggingCategory::setFilterRules("ekr.configuration.critical=false");
        PluginHarness h;
        h.registerServices();
        QSharedPointer<ctkPlugin> plugin;
        long sequences = 0, operations = 0, mismatches = 0, cycles = 0, failures = 0;
        for (int length = 1; length <= 5; ++length) {
            for (int code = 0; code < 1 << 3 * length; ++code, ++sequences, operations += length) {
                if (sequences % 37 == 0) {
                    const long id = plugin ? plugin->getPluginId() : -1;
                    if (plugin)
                        plugin->uninstall(), ++cycles;
                    plugin = h.context()->installPlugin(QUrl::fromLocalFile(EKR_PLUGIN_PATH));
                    // An uninstalled plugin is forgotten, each install loads it anew.
                    failures +=
                        h.context()->getPlugins().size() != 2 || plugin->getPluginId() == id;
                }
                mismatches += run(h, *plugin, code, length);
            }
        }
        std::printf("Lifecycle sequences checked: %ld (lengths 1 to 5 of 8 operations, each then "
                    "destroyed), operations checked: %ld, mismatches: %ld\nInstall/uninstall "
                    "cycles run: %ld (failures: %ld)\n",
                    sequences, operations, mismatches, cycles, failures);
        QCOMPARE(sequences, 37448L);
        QCOMPARE(mismatches + failures, 0L);
    }
};

EKR_TEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
