// The reminder sound played when a render job finishes.

#include "ekr_configuration.h"
#include "mp3_decoder_device.h"
#include "platform/ekr_platform.h"

#include <QAudioOutput>
#include <QCheckBox>
#include <QCoreApplication>

void EKConfiguration::Finish(QString strFile)
{
    Q_UNUSED(strFile) // every finished job sounds the same
    if (!IsDialogUsable() || !m_pChkSoundFinish->isChecked())
        return;
    const QString soundFile =
        QStringLiteral("%1/sound/kalimba.mp3").arg(QCoreApplication::applicationDirPath());
    if (!m_fileSound.isOpen()) {
        m_fileSound.setFileName(soundFile);
        // Only a regular file: a pipe put there would block the GUI thread in
        // the open, a device in the reads. Anything else leaves the file closed,
        // and the decoder below then finds nothing to play.
        ekr::platform::OpenRegularFile(m_fileSound);
    }

    bool created = false;
    if (!m_pAudioOutput) {
        // Fed as PCM in the stream's own format: raw MP3 bytes in an output
        // of unset format would be noise, or nothing.
        auto* stream = new Mp3DecoderDevice(&m_fileSound);
        if (!stream->start()) {
            qCDebug(lcConfiguration).noquote()
                << "Finish reminder:" << soundFile << "cannot be read as MP3; staying silent";
            delete stream;
            m_fileSound.close();
            return;
        }
        m_pSoundStream = stream;
        m_pAudioOutput = new QAudioOutput(stream->format());
        connect(m_pAudioOutput, &QAudioOutput::stateChanged, this,
                &EKConfiguration::handleStateChanged);
        qCDebug(lcConfiguration).noquote()
            << "Finish reminder: playing" << soundFile << "at" << stream->format().sampleRate()
            << "Hz," << stream->format().channelCount() << "channel(s)";
        created = true;
    }

    const QAudio::State state = m_pAudioOutput->state();
    if (state != QAudio::StoppedState && state != QAudio::IdleState)
        return; // still sounding: neither restarted nor queued
    if (!created)
        m_pSoundStream->start(); // an output that stopped early: from the top again
    m_pAudioOutput->start(m_pSoundStream);
}

void EKConfiguration::handleStateChanged(QAudio::State newState)
{
    if (!m_pAudioOutput)
        return;
    if (newState == QAudio::IdleState) {
        // Played out: let go of everything until the next job finishes. The
        // output is still delivering this signal, so it goes later.
        QAudioOutput* output = m_pAudioOutput;
        output->stop();
        m_fileSound.close();
        output->deleteLater();
        m_pSoundStream->deleteLater();
        m_pAudioOutput = nullptr;
        m_pSoundStream = nullptr;
        qCDebug(lcConfiguration) << "Finish reminder: released the audio output";
    } else if (newState == QAudio::StoppedState) {
        const QAudio::Error error = m_pAudioOutput->error();
        Q_UNUSED(error) // no device or a broken one: the client carries on silently
    }
}
