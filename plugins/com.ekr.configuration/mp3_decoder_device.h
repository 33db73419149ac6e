#ifndef EKR_MP3_DECODER_DEVICE_H
#define EKR_MP3_DECODER_DEVICE_H

#include <QAudioFormat>
#include <QByteArray>
#include <QIODevice>

struct mpg123_handle_struct;

// Reads MP3 from a source device and offers it as 16-bit PCM, pulled as the
// audio output asks for it; the source stays the device the sound comes from.
class Mp3DecoderDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit Mp3DecoderDevice(QIODevice* source, QObject* parent = nullptr);
    ~Mp3DecoderDevice() override;

    // Reads from the start of the source until the stream's format is known.
    // False when the source holds no MP3 audio; the device then stays closed.
    bool start();
    QAudioFormat format() const { return m_format; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    // Decodes until some sound is buffered or the stream ends: one read of
    // the decoder at most, however much the reader asks for.
    void decode();
    void release();

    QIODevice* m_source;
    mpg123_handle_struct* m_handle = nullptr;
    QAudioFormat m_format;
    QByteArray m_pcm;
    bool m_bSourceDone = false;
};

#endif
