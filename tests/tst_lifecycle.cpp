// The component's lifecycle details that the exhaustive model check in
// tst_robust_lifecycle does not look at: which parameters stick, what counts
// as a plugin context, and what release and destruction call.

#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

class LifecycleTest : public QObject
{
    Q_OBJECT

private slots:
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
};

EKR_TEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
