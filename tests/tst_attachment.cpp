// Attaching the six host services: order, failure of each step in each way,
// the messages, and which references, handles and connections result.

#include "message_capture.h"
#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <ctkPluginContext.h>

#include <cstdio>

Q_DECLARE_METATYPE(PluginHarness::Fault)

namespace {
using Fault = PluginHarness::Fault;

const char* const kIds[7] = {nullptr,
                             "com.ekr.logger",
                             "com.ekr.settings",
                             "com.ekr.uiloader",
                             "com.ekr.communication",
                             "com.ekr.filewatcher",
                             "com.ekr.messagebox"};

QString expectedMessage(int step)
{
    return step <= 3
               ? QStringLiteral("Module %1 is invalid").arg(kIds[step])
               : QStringLiteral("[com.ekr.configuration] Module %1 is invalid").arg(kIds[step]);
}

// The lifecycle calls the double of a step received.
QStringList callsOfStep(PluginHarness& h, int step)
{
    switch (step) {
    case 1:
        return h.logger.lifecycleCalls;
    case 2:
        return h.settings.lifecycleCalls;
    case 3:
        return h.uiLoader.lifecycleCalls;
    case 4:
        return h.communication.lifecycleCalls;
    case 5:
        return h.fileWatcher.lifecycleCalls;
    default:
        return h.messagebox.lifecycleCalls;
    }
}
} // namespace

class AttachmentTest : public QObject
{
    Q_OBJECT

    int m_attachFaults = 0;
    int m_releaseFaults = 0;

private slots:
    void cleanupTestCase()
    {
        std::printf("faults: %d injected while attaching (each service absent, of the wrong "
                    "interface, failing or throwing), %d while releasing; no crash\n",
                    m_attachFaults, m_releaseFaults);
    }

    void failingStep_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<Fault>("fault");
        const struct
        {
            Fault fault;
            const char* name;
        } faults[] = {{Fault::Absent, "absent"},
                      {Fault::WrongInterface, "wrong interface"},
                      {Fault::InitializeFails, "Initialize fails"},
                      {Fault::StartFails, "Start fails"},
                      {Fault::Throws, "throws in Initialize"},
                      {Fault::ThrowsOnStart, "throws in Start"}};
        for (int step = 1; step <= 6; ++step) {
            for (const auto& f : faults) {
                if (step == 1 && (f.fault == Fault::StartFails || f.fault == Fault::ThrowsOnStart))
                    continue; // the logger is never started (the model check proves it)
                QTest::addRow("%s: %s", kIds[step], f.name) << step << f.fault;
            }
        }
    }
    void failingStep()
    {
        QFETCH(int, step);
        QFETCH(Fault, fault);

        PluginHarness harness;
        harness.setFault(step, fault);
        harness.bringUp();
        MessageCapture capture;
        ++m_attachFaults;
        QCOMPARE(harness.initialize(), -1);

        // The message, at its level, unless an exception cut the step short.
        const QList<MessageCapture::Message> lines = capture.fromCategory("ekr.configuration");
        const bool threw = fault == Fault::Throws || fault == Fault::ThrowsOnStart;
        if (threw) {
            QCOMPARE(lines.size(), 0);
        } else {
            QCOMPARE(lines.size(), 1);
            QCOMPARE(lines.first().text, expectedMessage(step));
            QCOMPARE(lines.first().type, step <= 3 ? QtDebugMsg : QtCriticalMsg);
        }

        // Earlier services are attached, the failing one got as far as its
        // fault lets it, later ones are not even looked up.
        for (int earlier = 1; earlier < step; ++earlier) {
            const QStringList expected =
                earlier == 1 ? QStringList{"Initialize"} : QStringList{"Initialize", "Start"};
            QCOMPARE(callsOfStep(harness, earlier), expected);
        }
        QStringList failing;
        if (fault == Fault::InitializeFails || fault == Fault::Throws)
            failing = QStringList{"Initialize"};
        else if (fault == Fault::StartFails || fault == Fault::ThrowsOnStart)
            failing = QStringList{"Initialize", "Start"};
        QCOMPARE(callsOfStep(harness, step), failing);
        for (int later = step + 1; later <= 6; ++later)
            QCOMPARE(callsOfStep(harness, later), QStringList());

        // Only the connections of the steps before the failing one exist.
        QCOMPARE(harness.settings.connectionCount(SIGNAL(SettingsUpdated())), step > 2 ? 1 : 0);
        QCOMPARE(
            harness.communication.connectionCount(SIGNAL(LatestVersionResponse(int, QVariantMap))),
            step > 4 ? 1 : 0);
        for (const char* signal :
             {SIGNAL(SignInResponse(int, QVariantMap)), SIGNAL(PoolIdResponse(int, QVariantMap)),
              SIGNAL(SignOutResponse(int, QVariantMap))})
            QCOMPARE(harness.communication.connectionCount(signal), 0);

        // Still uninitialised; what was stored stays referenced, which the
        // release of settings and logger shows, with the settings handle only
        // when its Start succeeded.
        QVariant handle;
        QCOMPARE(harness.lifecycle()->Start(handle, {}), -3);
        const bool castFailed = fault == Fault::Absent || fault == Fault::WrongInterface;
        harness.logger.lifecycleCalls.clear();
        harness.settings.lifecycleCalls.clear();
        QCOMPARE(harness.lifecycle()->Uninitialize(), 0);
        const bool settingsHeld = step > 2 || (step == 2 && !castFailed);
        const bool loggerHeld = step > 1 || !castFailed;
        QStringList settingsReleased;
        if (settingsHeld)
            settingsReleased << QStringLiteral("Stop(%1)").arg(step > 2 ? 42 : 0) << "Uninitialize";
        QCOMPARE(harness.settings.lifecycleCalls, settingsReleased);
        QCOMPARE(harness.logger.lifecycleCalls,
                 loggerHeld ? QStringList{"Uninitialize"} : QStringList());
    }

    void releaseSurvivesServicesThatThrow_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("call");
        QTest::newRow("settings Stop") << 2 << "Stop";
        QTest::newRow("settings Uninitialize") << 2 << "Uninitialize";
        QTest::newRow("logger Uninitialize") << 1 << "Uninitialize";
    }
    void releaseSurvivesServicesThatThrow()
    {
        QFETCH(int, step);
        QFETCH(QString, call);
        PluginHarness harness;
        harness.bringUp();
        QCOMPARE(harness.initializeAndStart(), 0);
        FakeLifecycleBehaviour& behaviour =
            step == 1 ? harness.logger.behaviour : harness.settings.behaviour;
        (call == "Stop" ? behaviour.throwOnStop : behaviour.throwOnUninitialize) = true;
        MessageCapture capture;
        ++m_releaseFaults;
        QCOMPARE(harness.lifecycle()->Uninitialize(), 0);
        const auto lines = capture.fromCategory("ekr.configuration");
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().type, QtCriticalMsg);
        QVERIFY(lines.first().text.contains("failed while being released"));
        QVariant handle;
        QCOMPARE(harness.lifecycle()->Start(handle, {}), -3);
        harness.stopPlugin(); // the destructor releases nothing twice
        QCOMPARE(harness.settings.callCount("Uninitialize"), 1);
        QCOMPARE(harness.logger.callCount("Uninitialize"), 1);
    }

    void allHealthyAttachInOrderWithFiveConnections()
    {
        PluginHarness harness;
        harness.bringUp();
        MessageCapture capture;
        QCOMPARE(harness.initialize(), 0);
        QCOMPARE(capture.fromCategory("ekr.configuration").size(), 0);
        for (int step = 2; step <= 6; ++step)
            QCOMPARE(callsOfStep(harness, step), QStringList({"Initialize", "Start"}));
        const QVariant context = harness.params().value("plugin_context");
        QCOMPARE(harness.messagebox.lastParams.value("plugin_context"), context);

        QCOMPARE(harness.settings.connectionCount(SIGNAL(SettingsUpdated())), 1);
        for (const char* signal :
             {SIGNAL(LatestVersionResponse(int, QVariantMap)),
              SIGNAL(SignInResponse(int, QVariantMap)), SIGNAL(PoolIdResponse(int, QVariantMap)),
              SIGNAL(SignOutResponse(int, QVariantMap))})
            QCOMPARE(harness.communication.connectionCount(signal), 1);
        // The UI loader's signals wait for the dialog.
        QCOMPARE(harness.uiLoader.connectionCount(SIGNAL(SkinChanged(QString))), 0);
    }

    void attachingAgainNeverConnectsTwice()
    {
        PluginHarness harness;
        harness.bringUp();
        QCOMPARE(harness.initialize(), 0);
        QCOMPARE(harness.lifecycle()->Uninitialize(), 0);
        // The released settings service no longer drives the component.
        QCOMPARE(harness.settings.connectionCount(SIGNAL(SettingsUpdated())), 0);
        QCOMPARE(harness.initialize(), 0);
        QCOMPARE(harness.settings.callCount("Initialize"), 2);
        QCOMPARE(harness.settings.connectionCount(SIGNAL(SettingsUpdated())), 1);
        QCOMPARE(harness.communication.connectionCount(SIGNAL(SignInResponse(int, QVariantMap))),
                 1);
        QCOMPARE(
            harness.communication.connectionCount(SIGNAL(LatestVersionResponse(int, QVariantMap))),
            1);
    }

    void serviceDeletedByTheHostIsNotTouched()
    {
        PluginHarness harness;
        auto* settings = new FakeSettings;
        settings->behaviour.handle = 5;
        harness.context()->registerService("EKSettingsInterface", settings);
        harness.bringUp(); // the harness's own settings double comes second and is not used
        QCOMPARE(harness.initialize(), 0);
        QCOMPARE(settings->lifecycleCalls, QStringList({"Initialize", "Start"}));
        delete settings;
        QCOMPARE(harness.lifecycle()->Uninitialize(), 0); // must not touch the deleted one
        QCOMPARE(harness.settings.lifecycleCalls, QStringList());
    }
};

EKR_TEST_MAIN(AttachmentTest)
#include "tst_attachment.moc"
