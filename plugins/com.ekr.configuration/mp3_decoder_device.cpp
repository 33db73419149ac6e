#include "mp3_decoder_device.h"

#include <mpg123.h>

namespace {
const qint64 kFeedSize = 16 * 1024;
} // namespace

Mp3DecoderDevice::Mp3DecoderDevice(QIODevice* source, QObject* parent)
    : QIODevice(parent), m_source(source)
{
}

Mp3DecoderDevice::~Mp3DecoderDevice()
{
    release();
}

void Mp3DecoderDevice::release()
{
    if (m_handle) {
        mpg123_delete(m_handle);
        m_handle = nullptr;
    }
    m_pcm.clear();
    if (isOpen())
        close();
}

bool Mp3DecoderDevice::start()
{
    const auto fail = [this]() {
        release();
        return false;
    };
    release();
    m_bSourceDone = false;
    if (!m_source || !m_source->isOpen() || !m_source->seek(0))
        return false;
    int error = MPG123_OK;
    m_handle = mpg123_new(nullptr, &error);
    if (!m_handle || mpg123_open_feed(m_handle) != MPG123_OK)
        return fail();
    // Fed until the decoder has seen a frame header. Its output is what it
    // prefers when nothing is forced: 16-bit signed samples in the host's byte
    // order (as QAudioFormat assumes) at the stream's own rate and channel
    // count, which every audio output takes.
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    while ((error = mpg123_getformat(m_handle, &rate, &channels, &encoding)) == MPG123_NEED_MORE) {
        const QByteArray chunk = m_source->read(kFeedSize);
        if (chunk.isEmpty())
            return fail();
        mpg123_feed(m_handle, reinterpret_cast<const unsigned char*>(chunk.constData()),
                    size_t(chunk.size()));
    }
    if (error != MPG123_OK)
        return fail();
    m_format.setSampleRate(int(rate));
    m_format.setChannelCount(channels);
    m_format.setSampleSize(16);
    m_format.setSampleType(QAudioFormat::SignedInt);
    m_format.setCodec(QStringLiteral("audio/pcm"));
    return open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void Mp3DecoderDevice::decode()
{
    while (m_pcm.isEmpty()) {
        if (m_bSourceDone)
            return;
        unsigned char buffer[16384];
        size_t produced = 0;
        const int result = mpg123_read(m_handle, buffer, sizeof buffer, &produced);
        m_pcm.append(reinterpret_cast<const char*>(buffer), int(produced));
        if (result == MPG123_NEED_MORE) {
            const QByteArray chunk = m_source->read(kFeedSize);
            m_bSourceDone = chunk.isEmpty();
            mpg123_feed(m_handle, reinterpret_cast<const unsigned char*>(chunk.constData()),
                        size_t(chunk.size()));
        } else if (result != MPG123_OK) {
            // The end of the stream, damage, or a change of format that would
            // play at the wrong speed: what was decoded still plays.
            m_bSourceDone = true;
        }
    }
}

qint64 Mp3DecoderDevice::readData(char* data, qint64 maxSize)
{
    decode();
    const qint64 count = qMin<qint64>(maxSize, m_pcm.size());
    memcpy(data, m_pcm.constData(), size_t(count));
    m_pcm.remove(0, int(count));
    return count;
}

qint64 Mp3DecoderDevice::writeData(const char* data, qint64 size)
{
    Q_UNUSED(data)
    Q_UNUSED(size)
    return -1;
}

qint64 Mp3DecoderDevice::bytesAvailable() const
{
    // More is on its way while the source has not run dry.
    return m_pcm.size() + (m_bSourceDone ? 0 : kFeedSize);
}

bool Mp3DecoderDevice::atEnd() const
{
    return m_bSourceDone && m_pcm.isEmpty();
}
