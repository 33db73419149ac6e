// The finish reminder and its chime. A private PulseAudio server with a null
// sink gives a real device where PulseAudio is installed; elsewhere the test
// drives the output's state changes itself.

#include "dialog_session.h"
#include "test_environment.h"

#include "mp3_decoder_device.h"

#include <QAudio>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QString soundPath()
{
    return QCoreApplication::applicationDirPath() + "/sound/kalimba.mp3";
}

// What is heard: how often this process holds the reminder's file open, and
// the streams playing on the private sound server.
QString heard()
{
    QProcess pactl;
    pactl.start("pactl", {"list", "short", "sink-inputs"});
    pactl.waitForFinished(5000);
    QString text =
        QString::number(QDir("/proc/self/fd")
                            .entryInfoList(QDir::System | QDir::Files)
                            .count(QFileInfo(QFileInfo(soundPath()).canonicalFilePath())));
    for (const QByteArray& line : pactl.readAllStandardOutput().split('\n'))
        text += ' ' + line.left(line.indexOf('\t'));
    return text.trimmed();
}
} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

    QProcess m_pulse;
    bool m_device = false;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QAudio::State>();
        m_pulse.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "-n",
                                     "--load=module-null-sink sink_name=ekr_test",
                                     "--load=module-native-protocol-unix"});
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pulse/native";
        m_device = QTest::qWaitFor([&] { return QFile::exists(socket); }, 5000);
    }
    void cleanupTestCase()
    {
        m_pulse.terminate();
        m_pulse.waitForFinished(5000);
    }

    void shippedChimeDecodesToSound()
    {
        QFile file(soundPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        Mp3DecoderDevice decoder(&file);
        QVERIFY(decoder.start());
        const QAudioFormat format = decoder.format();
        QVERIFY(format.sampleRate() == 44100 && format.channelCount() == 1 &&
                format.sampleSize() == 16 && format.sampleType() == QAudioFormat::SignedInt &&
                format.byteOrder() == QAudioFormat::LittleEndian && format.codec() == "audio/pcm");
        // About a second and a half of sound, and the same again from the top.
        const QByteArray pcm = decoder.readAll();
        QVERIFY2(pcm.size() > 1.4 * 88200 && pcm.size() < 1.8 * 88200,
                 qPrintable(QString::number(pcm.size())));
        QVERIFY(decoder.atEnd() && decoder.start() && decoder.readAll() == pcm);
    }

    // Only its own box makes Finish sound, for any file name, once at a time;
    // the end of the sound lets file and output go, and the next Finish
    // starts afresh. Without a chime to play it stays silent.
    void soundsWithItsBoxOnceAtATime_data()
    {
        QTest::addColumn<QString>("chime"); // what stands in the chime's place
        QTest::addColumn<bool>("sound");
        QTest::addColumn<QString>("file");
        QTest::newRow("popup only") << "kalimba" << false << "C:/jobs/scene.max";
        QTest::newRow("sound, no file name") << "kalimba" << true << "";
        QTest::newRow("sound, long file name") << "kalimba" << true << QString(4096, 'j');
        for (const char* chime : {"nothing", "no MP3", "a folder", "a named pipe"})
            QTest::newRow(chime) << chime << true << "job.max";
    }
    void soundsWithItsBoxOnceAtATime()
    {
        QFETCH(QString, chime);
        QFETCH(bool, sound);
        QFETCH(QString, file);
        const QString path = soundPath();
        QVERIFY(chime == "kalimba" || QFile::rename(path, path + ".saved"));
        const auto restore = qScopeGuard([&] {
            if (chime == "kalimba")
                return;
            QFile::remove(path) || QDir().rmdir(path); // whatever stood in its place
            QFile::rename(path + ".saved", path);
        });
        QFile bytes(path);
        QVERIFY(chime != "no MP3" ||
                (bytes.open(QIODevice::WriteOnly) && bytes.write("ID3 not MP3")));
        bytes.close();
        QVERIFY(chime != "a folder" || QDir().mkdir(path));
        QVERIFY(chime != "a named pipe" || mkfifo(QFile::encodeName(path), 0600) == 0);
        DialogSession s;
        s.run(QString("chkSoundFinish=%1; chkPopupFinish=%2").arg(sound).arg(!sound));
        auto report = [&](QAudio::State state) {
            QMetaObject::invokeMethod(s.harness.component(), "handleStateChanged",
                                      Q_ARG(QAudio::State, state));
        };
        alarm(5); // an open that waits for a writer ends the test instead of hanging it
        s.harness.component()->Finish(file);
        alarm(0);
        const QString playing = heard();
        QCOMPARE(playing.left(1), QString::number(sound && chime == "kalimba"));
        QCOMPARE(playing.count(' '), int(playing.startsWith('1') && m_device)); // one stream
        s.harness.component()->Finish(file); // still sounding: neither restarted nor queued
        report(QAudio::StoppedState);        // no device, or a broken one
        report(QAudio::SuspendedState);
        QCOMPARE(heard(), playing);
        report(QAudio::IdleState);
        report(QAudio::IdleState);
        QTRY_COMPARE(heard(), QString("0"));
        if (!playing.startsWith('1') || !m_device)
            return;
        s.harness.component()->Finish(file); // a new stream, heard to its end
        QVERIFY(heard() != playing && heard().startsWith("1 "));
        QTRY_COMPARE_WITH_TIMEOUT(heard(), QString("0"), 10000);
    }
};

EKR_TEST_MAIN(SoundTest)
#include "tst_sound.moc"
