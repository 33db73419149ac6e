// Attaching the six host services and releasing them: each service absent, of
// the wrong interface, failing or throwing, and what the host then sees.

#include "message_capture.h"
#include "plugin_harness.h"
#include "test_environment.h"

#include <cstdio>

namespace {
const char* const kIds[6] = {"logger",        "settings",    "uiloader",
                             "communication", "filewatcher", "messagebox"};
int g_attachFaults = 0, g_releaseFaults = 0;
} // namespace

class AttachmentTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase()
    {
        std::printf("faults: %d injected while attaching (each service absent, of the wrong "
                    "interface, failing or throwing), %d while releasing; no crash\n",
                    g_attachFaults, g_releaseFaults);
    }

    void failingStep_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("fault");
        for (int step = 0; step < 6; ++step) {
            for (QString fault : {"absent", "wrong interface", "Initialize fails",
                                  "Initialize throws", "Start fails", "Start throws"}) {
                if (step > 0 || !fault.startsWith("Start")) // the logger is never started
                    QTest::addRow("%s: %s", kIds[step], qPrintable(fault)) << step << fault;
            }
        }
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
        QObject wrong;
        harness.doubles()[step]->failing = fault.section(' ', 0, 0);
        harness.doubles()[step]->throwing = fault.endsWith("throws");
        const bool reached = fault != "absent" && fault != "wrong interface";
        if (!reached)
            harness.services[step] = fault == "absent" ? nullptr : &wrong;
        const bool releasing = fault.startsWith("Stop") || fault.startsWith("Uninitialize");
        ++(releasing ? g_releaseFaults : g_attachFaults);
        harness.bringUp();
        MessageCapture capture;
        QString seen = QString::number(harness.initialize());
        seen += ' ' + harness.connections(); // after Initialize: + does not order its operands
        harness.component()->Uninitialize();
        harness.stopPlugin();
        seen += harness.calls();
        for (const MessageCapture::Message& line : capture.messages())
            seen += line.category == "ekr.configuration" && line.type != QtDebugMsg
                        ? QStringLiteral("; %1 %2").arg(line.type).arg(line.text)
                        : "";

        // The services before the failing one are attached and connected, the
        // failing one got as far as its fault lets it, later ones are not even
        // looked up. Settings and logger, where reached, are released once.
        const int failed = releasing ? 6 : step;
        QString expected = QStringLiteral("%1 %2%3%4")
                               .arg(releasing ? 0 : -1)
                               .arg(failed > 1)
                               .arg(failed > 3)
                               .arg(releasing ? "111" : "000");
        for (int k = 0; k < 6; ++k) {
            QStringList calls;
            if (k < failed || (k == failed && reached))
                calls << "Initialize";
            if ((k > 0 && k < failed) || (k == failed && fault.startsWith("Start")))
                calls << "Start";
            if (k == 1 && (failed > 1 || (failed == 1 && reached)))
                calls << QStringLiteral("Stop(%1)").arg(failed > 1 ? 42 : 0) << "Uninitialize";
            if (k == 0 && (failed > 0 || reached))
                calls << "Uninitialize";
            expected += "; " + calls.join(' ');
        }
        const QString critical = QStringLiteral("; %1 [com.ekr.configuration] ").arg(QtCriticalMsg);
        if (releasing)
            expected +=
                critical +
                QStringLiteral("The %1 service failed while being released").arg(kIds[step]);
        else if (step > 2 && !fault.endsWith("throws"))
            expected += critical + QStringLiteral("Module com.ekr.%1 is invalid").arg(kIds[step]);
        QCOMPARE(seen, expected);
    }

    void servicesDeletedByTheHostAreNotTouched()
    {
        PluginHarness harness;
        auto* logger = new FakeLogger;
        auto* settings = new FakeSettings;
        harness.services[0] = logger, harness.services[1] = settings;
        harness.bringUp();
        QCOMPARE(harness.initialize(), 0);
        delete logger;
        delete settings;
        QCOMPARE(harness.component()->Uninitialize(), 0); // the sanitizers see any touch
    }
};

EKR_TEST_MAIN(AttachmentTest)
#include "tst_attachment.moc"
