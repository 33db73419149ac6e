// The component's lifecycle: result codes, handles, and when the dialog is
// built, for the sequences a host can drive.

#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

namespace {
// One operation of a sequence: I initialise, N initialise without a plugin
// context, U uninitialise, S start, T<h> stop, E<h> execute, Q<h> query.
int run(PluginHarness& harness, const QString& op, QVariant* handle)
{
    EKBaseInterface* lifecycle = harness.lifecycle();
    const QVariant argument = QVariant(op.mid(1).toInt());
    QVariant ignored;
    switch (op.at(0).toLatin1()) {
    case 'I':
        return lifecycle->Initialize(harness.params());
    case 'N': {
        QVariantHash params = harness.params();
        params.remove("plugin_context");
        return lifecycle->Initialize(params);
    }
    case 'U':
        return lifecycle->Uninitialize();
    case 'S':
        return lifecycle->Start(*handle, QVariantHash());
    case 'T':
        return lifecycle->Stop(argument);
    case 'E':
        return lifecycle->Execute(argument, ignored);
    case 'Q':
        return lifecycle->Query(argument);
    }
    qFatal("unknown operation %s", qPrintable(op));
    return 0;
}
} // namespace

class LifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data()
    {
        QTest::addColumn<QString>("operations");
        QTest::addColumn<QString>("results");
        QTest::addColumn<int>("dialogsBuilt");
        QTest::addColumn<int>("attachments");

        QTest::newRow("nothing before Initialize") << "S T1 E1 Q1 U"
                                                   << "-3 -3 -3 -3 0" << 0 << 0;
        QTest::newRow("no plugin context") << "N S"
                                           << "-1 -3" << 0 << 0;
        QTest::newRow("second Initialize attaches nothing") << "I I"
                                                            << "0 0" << 0 << 1;
        QTest::newRow("Start twice builds once") << "I S S"
                                                 << "0 0 0" << 1 << 1;
        QTest::newRow("foreign handle keeps it running") << "I S T2 S"
                                                         << "0 0 -4 0" << 1 << 1;
        QTest::newRow("Stop then Start builds again") << "I S T1 S"
                                                      << "0 0 0 0" << 2 << 1;
        QTest::newRow("Stop while ready") << "I T1 T0 S"
                                          << "0 0 -4 0" << 1 << 1;
        QTest::newRow("Execute and Query stopped") << "I E1 Q1 E2 Q2"
                                                   << "0 0 0 -4 -4" << 0 << 1;
        QTest::newRow("Execute and Query started") << "I S E1 Q1 E0 Q3"
                                                   << "0 0 0 0 -4 -4" << 1 << 1;
        QTest::newRow("Uninitialize ends it") << "I S U S T1 E1 Q1"
                                              << "0 0 0 -3 -3 -3 -3" << 1 << 1;
        QTest::newRow("attach again after Uninitialize") << "I U I S"
                                                         << "0 0 0 0" << 1 << 2;
        QTest::newRow("Uninitialize twice") << "I U U"
                                            << "0 0 0" << 0 << 1;
    }
    void sequences()
    {
        QFETCH(QString, operations);
        QFETCH(QString, results);
        QFETCH(int, dialogsBuilt);
        QFETCH(int, attachments);

        PluginHarness harness;
        harness.bringUp();
        const QStringList ops = operations.split(' ');
        QStringList actual;
        for (const QString& op : ops) {
            QVariant handle(99);
            actual << QString::number(run(harness, op, &handle));
            if (op == "S" && actual.last() == "0")
                QCOMPARE(handle, QVariant(1));
            else if (op == "S")
                QCOMPARE(handle, QVariant(99));
        }
        QCOMPARE(actual.join(' '), results);
        QCOMPARE(harness.uiLoader.loadedNames.size(), dialogsBuilt);
        QCOMPARE(harness.settings.callCount("Initialize"), attachments);
        QCOMPARE(harness.communication.callCount("Start"), attachments);
    }

    void secondInitializeKeepsTheFirstParameters()
    {
        PluginHarness harness;
        harness.bringUp();
        QCOMPARE(harness.initialize(), 0);
        QVariantHash other = harness.params();
        other.insert("client", "other");
        QCOMPARE(harness.lifecycle()->Initialize(other), 0);
        QCOMPARE(harness.settings.callCount("Initialize"), 1);
        QCOMPARE(harness.settings.lastParams.value("client").toString(), QStringLiteral("test"));

        QCOMPARE(harness.lifecycle()->Uninitialize(), 0);
        QCOMPARE(harness.lifecycle()->Initialize(other), 0);
        for (const QVariantHash& seen :
             {harness.settings.lastParams, harness.communication.lastParams,
              harness.messagebox.lastParams, harness.logger.lastParams}) {
            QCOMPARE(seen.value("client").toString(), QStringLiteral("other"));
            QCOMPARE(seen.value("plugin_context"), other.value("plugin_context"));
        }
    }

    void pluginContextAcceptsWhatConvertsToAPointer_data()
    {
        QTest::addColumn<QVariant>("context");
        QTest::addColumn<int>("result");
        QTest::newRow("absent") << QVariant() << -1;
        QTest::newRow("null pointer") << QVariant::fromValue<void*>(nullptr) << -1;
        QTest::newRow("a string") << QVariant(QStringLiteral("0x1234")) << -1;
        QTest::newRow("an int") << QVariant(1234) << -1;
    }
    void pluginContextAcceptsWhatConvertsToAPointer()
    {
        QFETCH(QVariant, context);
        QFETCH(int, result);
        PluginHarness harness;
        harness.bringUp();
        QVariantHash params;
        if (context.isValid())
            params.insert("plugin_context", context);
        QCOMPARE(harness.lifecycle()->Initialize(params), result);
        QCOMPARE(harness.logger.lifecycleCalls, QStringList()); // nothing attached
    }

    void uninitializeReleasesSettingsAndLoggerOnce()
    {
        PluginHarness harness;
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);
        QCOMPARE(harness.lifecycle()->Uninitialize(), 0);
        harness.stopPlugin(); // the destructor runs Uninitialize again
        QCOMPARE(harness.settings.lifecycleCalls,
                 QStringList({"Initialize", "Start", "Stop(42)", "Uninitialize"}));
        QCOMPARE(harness.logger.lifecycleCalls, QStringList({"Initialize", "Uninitialize"}));
        // The other four are neither stopped nor uninitialised.
        QCOMPARE(harness.uiLoader.lifecycleCalls, QStringList({"Initialize", "Start"}));
        QCOMPARE(harness.communication.lifecycleCalls, QStringList({"Initialize", "Start"}));
        QCOMPARE(harness.fileWatcher.lifecycleCalls, QStringList({"Initialize", "Start"}));
        QCOMPARE(harness.messagebox.lifecycleCalls, QStringList({"Initialize", "Start"}));
    }

    void destructionUninitializes()
    {
        PluginHarness harness;
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);
        harness.stopPlugin();
        QVERIFY(!harness.component());
        QCOMPARE(harness.settings.lifecycleCalls.mid(2), QStringList({"Stop(42)", "Uninitialize"}));
        QCOMPARE(harness.logger.callCount("Uninitialize"), 1);
    }
};

EKR_TEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
