// The finish reminder and its chime. A private PulseAudio server with a null
// sink gives a real device where PulseAudio is installed; elsewhere the tests
// drive the output's state changes themselves.

#include "dialog_session.h"
#include "message_capture.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "mp3_decoder_device.h"

#include <QAudio>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString soundPath()
{
    return QCoreApplication::applicationDirPath() + "/sound/kalimba.mp3";
}

// How often this process has the reminder's file open, seen from outside.
int openSoundFiles()
{
    int count = 0;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files))
        count += fd.symLinkTarget() == QFileInfo(soundPath()).canonicalFilePath() ? 1 : 0;
    return count;
}

// The streams on the private sound server, as any of its clients sees them;
// none where there is no server.
int playingStreams()
{
    QProcess pactl;
    pactl.start("pactl", {"list", "short", "sink-inputs"});
    pactl.waitForFinished(5000);
    return pactl.readAllStandardOutput().count('\n');
}

struct Session : DialogSession
{
    MessageCapture capture;

    Session() { get<QCheckBox>("chkSoundFinish")->setChecked(true); }
    void finish(const QString& file = "job.max") { harness.component()->Finish(file); }
    void reportState(QAudio::State state)
    {
        QMetaObject::invokeMethod(harness.component(), "handleStateChanged",
                                  Q_ARG(QAudio::State, state));
    }
    int lines(const QString& text) const
    {
        const auto all = capture.fromCategory("ekr.configuration");
        return int(std::count_if(all.begin(), all.end(),
                                 [&](const auto& line) { return line.text.contains(text); }));
    }
    int outputsCreated() const { return lines("Finish reminder: playing"); }
    int outputsReleased() const { return lines("released the audio output"); }
};
} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

    QProcess m_pulse;
    bool m_hasDevice = false;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QAudio::State>();
        const QString pulseaudio = QStandardPaths::findExecutable("pulseaudio");
        if (pulseaudio.isEmpty())
            return;
        m_pulse.start(pulseaudio, {"--daemonize=no", "--exit-idle-time=-1", "-n",
                                   "--load=module-null-sink sink_name=ekr_test",
                                   "--load=module-native-protocol-unix"});
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/pulse/native";
        m_hasDevice = QTest::qWaitFor([&] { return QFile::exists(socket); }, 5000);
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
        QCOMPARE(format.sampleRate(), 44100);
        QCOMPARE(format.channelCount(), 1);
        QVERIFY(format.sampleSize() == 16 && format.sampleType() == QAudioFormat::SignedInt &&
                format.byteOrder() == QAudioFormat::LittleEndian && format.codec() == "audio/pcm");

        const QByteArray pcm = decoder.readAll();
        const int count = pcm.size() / 2;
        QVERIFY2(count > 1.4 * 44100 && count < 1.8 * 44100, qPrintable(QString::number(count)));
        double sum = 0;
        int peak = 0;
        for (int i = 0; i < count; ++i) {
            const int sample = qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
            sum += double(sample) * sample;
            peak = qMax(peak, qAbs(sample));
        }
        QVERIFY2(std::sqrt(sum / count) > 1000 && peak > 8000 && peak < 32767,
                 qPrintable(QString::number(peak)));

        for (QByteArray bytes : {QByteArray(64 * 1024, 'x'), QByteArray()}) {
            QBuffer buffer(&bytes);
            QVERIFY(buffer.open(QIODevice::ReadOnly) && !Mp3DecoderDevice(&buffer).start());
        }
    }

    // Only its own box makes Finish sound, for any file name; idle lets file
    // and output go, and the next Finish starts afresh.
    void soundsWithItsBoxOnceAtATime_data()
    {
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("popup");
        QTest::addColumn<QString>("file");
        QTest::newRow("neither") << false << false << "C:/jobs/scene.max";
        QTest::newRow("popup only") << false << true << "C:/jobs/scene.max";
        QTest::newRow("sound") << true << false << "C:/jobs/scene.max";
        QTest::newRow("both, no file name") << true << true << "";
        QTest::newRow("long file name") << true << false << QString(4096, 'j');
    }
    void soundsWithItsBoxOnceAtATime()
    {
        QFETCH(bool, sound);
        QFETCH(bool, popup);
        QFETCH(QString, file);
        Session s;
        s.get<QCheckBox>("chkSoundFinish")->setChecked(sound);
        s.get<QCheckBox>("chkPopupFinish")->setChecked(popup);
        s.finish(file);
        s.finish(file);                      // still sounding: neither restarted nor queued
        s.reportState(QAudio::StoppedState); // no device: only its error is read
        s.reportState(QAudio::SuspendedState);
        QCOMPARE(s.outputsCreated(), int(sound));
        QCOMPARE(s.outputsReleased(), 0);
        QCOMPARE(openSoundFiles(), int(sound));

        s.reportState(QAudio::IdleState);
        s.reportState(QAudio::IdleState); // nothing left to release
        QCOMPARE(s.outputsReleased(), int(sound));
        QCOMPARE(openSoundFiles(), 0);

        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.finish(file);
        QCOMPARE(s.outputsCreated(), 2 * sound);
        QCOMPARE(openSoundFiles(), int(sound));
    }

    void playsOutOnARealDevice()
    {
        if (!m_hasDevice)
            QSKIP("no PulseAudio here: the driven tests above stand in");
        Session s;
        s.finish();
        s.finish();
        QCOMPARE(s.outputsCreated(), 1);
        QCOMPARE(playingStreams(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(s.outputsReleased(), 1, 10000);
        QCOMPARE(openSoundFiles(), 0);
        s.finish();
        QCOMPARE(s.outputsCreated(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(s.outputsReleased(), 2, 10000);
    }

    void missingOrBrokenSoundStaysSilent_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"missing", "not MP3", "folder", "named pipe"})
            QTest::newRow(kind) << kind;
    }
    void missingOrBrokenSoundStaysSilent()
    {
        QFETCH(QString, kind);
        const QString saved = soundPath() + ".saved";
        const QByteArray path = QFile::encodeName(soundPath());
        QVERIFY(QFile::rename(soundPath(), saved));
        const auto restore = qScopeGuard([&] {
            if (!QFile::remove(soundPath()))
                QDir().rmdir(soundPath());
            QFile::rename(saved, soundPath());
        });
        QFile replacement(soundPath());
        QVERIFY(kind != "not MP3" || (replacement.open(QIODevice::WriteOnly) &&
                                      replacement.write(QByteArray(32 * 1024, '\x55')) > 0));
        replacement.close();
        QVERIFY(kind != "folder" || QDir().mkdir(soundPath()));
        QVERIFY(kind != "named pipe" || mkfifo(path.constData(), 0600) == 0);
        Session s;
        // A writer comes after a second, and again until Finish is back: an
        // open that waits for one fails the test instead of hanging it.
        std::atomic<bool> returned{false};
        std::thread writer([&] {
            for (int waited = 0; !returned; waited += 50) {
                QThread::msleep(50);
                const int fd = waited >= 1000 ? ::open(path.constData(), O_RDWR | O_NONBLOCK) : -1;
                if (fd >= 0)
                    ::close(fd);
            }
        });
        QElapsedTimer clock;
        clock.start();
        s.finish();
        const qint64 took = clock.elapsed();
        returned = true;
        writer.join();
        QVERIFY2(took < 1000, qPrintable(QString::number(took)));
        QCOMPARE(playingStreams(), 0);
        QCOMPARE(openSoundFiles(), 0);
    }
};

EKR_TEST_MAIN(SoundTest)
#include "tst_sound.moc"
