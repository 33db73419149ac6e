// Bad input never takes the client down: 100,000 generated cases (replies with any result code,
// stored values of every type that a sign-in loads and Apply writes back) against components with
// the real widget tree. The seed is fixed and printed; EKR_TEST_SEED replaces it.

#include "plugin_harness.h"
#include "reply_generator.h"
#include "test_environment.h"

#include <cstdio>
#include <memory>

class RobustInputsTest : public QObject
{
    Q_OBJECT

private slots:
    void generatedCasesLeaveTheComponentWorking()
    {
        bool ok = true;
        const QByteArray given = qgetenv("EKR_TEST_SEED");
        const quint32 seed = given.isEmpty() ? 20240611 : given.trimmed().toUInt(&ok, 0);
        QVERIFY2(ok, "EKR_TEST_SEED is not a 32-bit number: " + given);
        std::printf("robust inputs: seed %u; replay with EKR_TEST_SEED=%u\n", seed, seed);
        std::fflush(stdout); // before any crash
        QRandomGenerator random(seed);
        ReplyGenerator g{[&](quint32 bound) { return random.bounded(bound); }};
        QLoggingCategory::setFilterRules("ekr.*.debug=false"); // they would carry whole replies
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<PluginHarness> harness;
        QString login, failure;
        int done = 0;
        for (; done < 100000 && failure.isEmpty(); ++done) {
            if (done % 12500 == 0) { // now and then a fresh component; the last one goes first
                harness.reset();
                harness.reset(new PluginHarness);
                QVERIFY(startComponent(*harness));
            }
            failure = runCase(g, *harness, login);
        }
        std::printf("robust inputs: %d cases from seed %u in %.1f s on %d components\n", done, seed,
                    clock.elapsed() / 1000.0, (done + 12499) / 12500);
        QVERIFY2(failure.isEmpty(),
                 qPrintable(QString("case %1: ").arg(done - 1) + failure.left(300)));
    }
};

EKR_TEST_MAIN(RobustInputsTest)
#include "tst_robust_inputs.moc"
