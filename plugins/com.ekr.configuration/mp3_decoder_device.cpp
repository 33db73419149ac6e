#include "mp3_decoder_device.h"

#include <mpg123.h>

namespace {
const qint64 kFeedSize = 16 * 1024;
const qint64 kMaxBytes = 10 * 1024 * 1024; // a reminder is seconds long, not minutes
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
    // 16-bit signed samples at the stream's own rate and channel count: what
    // every audio output takes.
    mpg123_format_none(m_handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    // Feed until the decoder has seen a frame header and knows the format.
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    while (true) {
        unsigned char scratch[4096];
        size_t produced = 0;
        const int result = mpg123_read(m_handle, scratch, sizeof scratch, &produced);
        if (result == MPG123_NEW_FORMAT) {
            mpg123_getformat(m_handle, &rate, &channels, &encoding);
            break;
        }
        if (result == MPG123_NEED_MORE) {
            const QByteArray chunk = m_source->read(kFeedSize);
            if (chunk.isEmpty())
                return fail();
            mpg123_feed(m_handle, reinterpret_cast<const unsigned char*>(chunk.constData()),
                        size_t(chunk.size()));
            continue;
        }
        if (result != MPG123_OK)
            return fail();
        m_pcm.append(reinterpret_cast<const char*>(scratch), int(produced));
    }
    if (rate <= 0 || channels <= 0)
        return fail();
    m_format.setSampleRate(int(rate));
    m_format.setChannelCount(channels);
    m_format.setSampleSize(16);
    m_format.setSampleType(QAudioFormat::SignedInt);
    m_format.setByteOrder(QAudioFormat::LittleEndian);
    m_format.setCodec(QStringLiteral("audio/pcm"));
    return open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void Mp3DecoderDevice::decode(qint64 wanted)
{
    while (m_handle && m_pcm.size() < wanted && m_pcm.size() < kMaxBytes) {
        unsigned char buffer[16384];
        size_t produced = 0;
        const int result = mpg123_read(m_handle, buffer, sizeof buffer, &produced);
        if (produced > 0)
            m_pcm.append(reinterpret_cast<const char*>(buffer), int(produced));
        if (result == MPG123_NEED_MORE) {
            if (m_bSourceDone)
                return;
            const QByteArray chunk = m_source->read(kFeedSize);
            if (chunk.isEmpty()) {
                m_bSourceDone = true;
                return;
            }
            mpg123_feed(m_handle, reinterpret_cast<const unsigned char*>(chunk.constData()),
                        size_t(chunk.size()));
        } else if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            // The end of the stream, or damage: what was decoded still plays.
            m_bSourceDone = true;
            return;
        }
    }
}

qint64 Mp3DecoderDevice::readData(char* data, qint64 maxSize)
{
    decode(maxSize);
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
