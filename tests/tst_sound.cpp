// The finish reminder: when it sounds, that one output plays at a time, that
// file and output are let go when it has played, and that the shipped chime
// really decodes to sound. A private PulseAudio server with a null sink gives
// the tests a real audio device where PulseAudio is installed; without it the
// tests drive the output's state changes themselves.

#include "dialog_session.h"
#include "message_capture.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "mp3_decoder_device.h"

#include <QAudio>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>

namespace {
QString soundPath()
{
    return QCoreApplication::applicationDirPath() + "/sound/kalimba.mp3";
}

// How often this process has the reminder's file open, seen from outside.
int openSoundFiles()
{
    int count = 0;
    const QFileInfoList descriptors =
        QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files);
    for (const QFileInfo& descriptor : descriptors) {
        if (descriptor.symLinkTarget() == QFileInfo(soundPath()).canonicalFilePath())
            ++count;
    }
    return count;
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
        int count = 0;
        for (const auto& line : capture.fromCategory("ekr.configuration"))
            count += line.text.contains(text) ? 1 : 0;
        return count;
    }
    int outputsCreated() const { return lines("Finish reminder: playing"); }
    int outputsReleased() const { return lines("released the audio output"); }
};

// Swaps the installed reminder for other bytes while it lives.
struct ReplacedSound
{
    QByteArray original;
    explicit ReplacedSound(const QByteArray* replacement)
    {
        QFile file(soundPath());
        file.open(QIODevice::ReadOnly);
        original = file.readAll();
        file.close();
        QFile::remove(soundPath());
        if (replacement) {
            file.open(QIODevice::WriteOnly);
            file.write(*replacement);
        }
    }
    ~ReplacedSound()
    {
        QFile file(soundPath());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(original);
    }
};
} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

private:
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
        for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
            QTest::qWait(50);
        m_hasDevice = QFile::exists(socket);
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
        QCOMPARE(format.sampleSize(), 16);
        QCOMPARE(format.sampleType(), QAudioFormat::SignedInt);
        QCOMPARE(format.byteOrder(), QAudioFormat::LittleEndian);
        QCOMPARE(format.codec(), QStringLiteral("audio/pcm"));

        QByteArray pcm;
        while (!decoder.atEnd())
            pcm += decoder.read(4096);
        const double seconds = pcm.size() / 2.0 / 44100;
        QVERIFY2(seconds > 1.4 && seconds < 1.8, qPrintable(QString::number(seconds)));
        double sum = 0;
        int peak = 0;
        const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
        for (int i = 0; i < pcm.size() / 2; ++i) {
            const int sample = qFromLittleEndian(samples[i]);
            sum += double(sample) * sample;
            peak = qMax(peak, qAbs(sample));
        }
        const double rms = std::sqrt(sum / (pcm.size() / 2));
        QVERIFY2(rms > 1000 && peak > 8000 && peak < 32767, qPrintable(QString::number(rms)));

        // Not MP3 at all, or nothing: no format, nothing to play.
        QBuffer garbage;
        garbage.setData(QByteArray(64 * 1024, 'x'));
        garbage.open(QIODevice::ReadOnly);
        QVERIFY(!Mp3DecoderDevice(&garbage).start());
        QBuffer empty;
        empty.open(QIODevice::ReadOnly);
        QVERIFY(!Mp3DecoderDevice(&empty).start());
    }

    void soundOnlyWithItsBox_data()
    {
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("popup");
        QTest::newRow("neither") << false << false;
        QTest::newRow("popup only") << false << true;
        QTest::newRow("sound") << true << false;
        QTest::newRow("both") << true << true;
    }
    void soundOnlyWithItsBox()
    {
        QFETCH(bool, sound);
        QFETCH(bool, popup);
        Session s;
        s.harness.widget<QCheckBox>("chkSoundFinish")->setChecked(sound);
        s.harness.widget<QCheckBox>("chkPopupFinish")->setChecked(popup);
        s.finish();
        QCOMPARE(s.outputsCreated(), sound ? 1 : 0);
        QCOMPARE(openSoundFiles(), sound ? 1 : 0);
        QCOMPARE(s.lines("at 44100 Hz, 1 channel(s)"), sound ? 1 : 0);
        s.reportState(QAudio::IdleState);
        QCOMPARE(openSoundFiles(), 0);
    }

    void idleLetsGoAndTheNextFinishStartsAfresh_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("a scene") << "C:/jobs/scene.max";
        QTest::newRow("empty") << "";
        QTest::newRow("long") << QString(4096, 'j');
    }
    void idleLetsGoAndTheNextFinishStartsAfresh()
    {
        QFETCH(QString, file);
        Session s;
        s.finish(file);
        QCOMPARE(s.outputsCreated(), 1);
        s.reportState(QAudio::StoppedState); // no device: only its error is read
        s.reportState(QAudio::SuspendedState);
        QCOMPARE(s.outputsReleased(), 0);
        QCOMPARE(openSoundFiles(), 1);

        s.reportState(QAudio::IdleState);
        QCOMPARE(s.outputsReleased(), 1);
        QCOMPARE(openSoundFiles(), 0);
        s.reportState(QAudio::IdleState); // nothing left to release
        QCOMPARE(s.outputsReleased(), 1);

        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.finish(file);
        QCOMPARE(s.outputsCreated(), 2);
        QCOMPARE(openSoundFiles(), 1);
    }

    void playsOutOnARealDevice()
    {
        if (!m_hasDevice)
            QSKIP("no PulseAudio here: the driven tests above stand in");
        Session s;
        s.finish();
        s.finish(); // still sounding: neither restarted nor queued
        QCOMPARE(s.outputsCreated(), 1);
        QCOMPARE(openSoundFiles(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(s.outputsReleased(), 1, 10000);
        QCOMPARE(openSoundFiles(), 0);
        s.finish();
        QCOMPARE(s.outputsCreated(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(s.outputsReleased(), 2, 10000);
    }

    void missingOrBrokenSoundStaysSilent_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << false;
        QTest::newRow("not MP3") << true;
    }
    void missingOrBrokenSoundStaysSilent()
    {
        QFETCH(bool, present);
        const QByteArray junk(32 * 1024, '\x55');
        ReplacedSound replaced(present ? &junk : nullptr);
        Session s;
        s.finish();
        QCOMPARE(s.outputsCreated(), 0);
        QCOMPARE(s.lines("cannot be read as MP3; staying silent"), 1);
        QCOMPARE(openSoundFiles(), 0);
        s.reportState(QAudio::IdleState);
    }
};

EKR_TEST_MAIN(SoundTest)
#include "tst_sound.moc"
