// The finish reminder and its chime, heard on a private PulseAudio server.

#include "dialog_session.h"
#include "test_environment.h"

#include "mp3_decoder_device.h"

#include <QAudio>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

class SoundTest : public QObject
{
    Q_OBJECT

    static constexpr const char* kChime = "sound/kalimba.mp3"; // where the component looks
    QProcess m_pulse;

    // How often this process holds the chime open, then each stream heard with its format.
    static QString heard()
    {
        QProcess pactl;
        pactl.start("pactl", {"list", "short", "sink-inputs"});
        pactl.waitForFinished(5000);
        const auto fds = QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files);
        QString text = QString::number(fds.count(QFileInfo(kChime)));
        for (const QByteArray& line : pactl.readAllStandardOutput().split('\n'))
            text += ' ' + line.left(line.indexOf('\t')) + line.mid(line.lastIndexOf('\t'));
        return text.trimmed();
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        m_pulse.start("pulseaudio", {"-n", "--exit-idle-time=-1", "--load=module-null-sink",
                                     "--load=module-native-protocol-unix"});
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pulse/native";
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(socket); }, 5000));
    }
    void cleanupTestCase() { m_pulse.terminate(), m_pulse.waitForFinished(5000); }

    // The chime eight times over: 13 s of sound, read only as it is pulled, the same from the top.
    void decodesAsItIsPulled()
    {
        const auto pull = [](QIODevice& decoder, QByteArray pcm = {}) { // bounded: endless fails
            for (int reads = 0; reads < 1000 && !decoder.atEnd(); ++reads)
                pcm += decoder.read(4096);
            return pcm;
        };
        QFile file(kChime);
        QByteArray mp3 = file.open(QIODevice::ReadOnly) ? file.readAll().repeated(8) : "";
        QBuffer source(&mp3);
        Mp3DecoderDevice decoder(&source);
        QVERIFY(source.open(QIODevice::ReadOnly) && decoder.start() &&
                !decoder.read(4096).isEmpty() && source.pos() < source.size() / 2);
        // 16-bit mono at 44.1 kHz, and sound, not silence
        const QByteArray pcm = decoder.start() ? pull(decoder) : "";
        QVERIFY(pcm.size() > 12 * 88200 && pcm.size() < 14.5 * 88200 && decoder.atEnd() &&
                pcm.count('\0') < pcm.size() / 4 && decoder.start() && pull(decoder) == pcm);
    }

    // Only its own box makes Finish sound, once at a time; the end of the sound lets file and
    // stream go, and the next Finish starts afresh. Without a chime to play it stays silent.
    void soundsWithItsBoxOnceAtATime_data()
    {
        QTest::addColumn<QString>("chime"); // or what stands in its place
        for (const char* chime : {"kalimba", "kalimba, popup only", "empty", "a named pipe"})
            QTest::newRow(chime) << chime;
    }
    void soundsWithItsBoxOnceAtATime()
    {
        QFETCH(QString, chime);
        const bool box = chime != "kalimba, popup only", chiming = chime == "kalimba";
        QVERIFY(chime.startsWith("kalimba") || QFile::rename(kChime, "saved.mp3"));
        const auto back = qScopeGuard([] { std::rename("saved.mp3", kChime); }); // over anything
        QVERIFY(chime != "empty" || QFile(kChime).open(QIODevice::WriteOnly));
        QVERIFY(chime != "a named pipe" || mkfifo(QFile::encodeName(kChime), 0600) == 0);
        DialogSession s;
        s.run(QString("chkSoundFinish=%1; chkPopupFinish=%2").arg(box).arg(!box));
        const auto report = [&](QAudio::State state) {
            QMetaObject::invokeMethod(s.harness.component(), "handleStateChanged",
                                      Q_ARG(QAudio::State, state));
        };
        alarm(5), s.harness.component()->Finish("scene.max"), alarm(0); // a blocking open fails
        const QString first = heard(); // the chime open once, one stream in its format
        QCOMPARE(first.left(2) + first.section('\t', 1), chiming ? "1 s16le 1ch 44100Hz" : "0");
        s.harness.component()->Finish("scene.max"); // still sounding: neither restarted nor queued
        report(QAudio::StoppedState), report(QAudio::SuspendedState); // a broken device, a pause
        QCOMPARE(heard(), first);
        report(QAudio::IdleState), report(QAudio::IdleState); // played out: its stream ends at once
        s.harness.component()->Finish("scene.max");           // so the next one is heard alone
        const QString next = heard();
        QVERIFY(next.section('\t', 1) == first.section('\t', 1) && (next != first || !chiming));
        QTRY_COMPARE_WITH_TIMEOUT(heard(), QString("0"), 10000); // to its end
    }
};

EKR_TEST_MAIN(SoundTest)
#include "tst_sound.moc"
