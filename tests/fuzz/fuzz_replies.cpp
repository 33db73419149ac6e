// libFuzzer target: the four replies the configuration component takes from
// the communication service (SignInResponse, PoolIdResponse, SignOutResponse,
// LatestVersionResponse), decoded from the fuzzer's bytes and delivered to the
// real plugin with the client's real widget tree.
//
// One input is a short sequence of replies. Each input starts from the same
// state (a known store and a clean sign-in), so that a crash found after many
// inputs is repeated by its input alone. After the replies, a clean version
// reply must still be shown: a component that stopped working aborts, as a
// crash does.
//
// Byte layout, read front to back (past the end every byte reads as 0):
//   reply:  kind (byte % 4), result code, top-level map
//   code:   byte < 160: 200; then 0, -1, 401, 500, INT_MIN, INT_MAX; else 4 raw bytes
//   map:    entry count (byte % 9), then key and value per entry
//   key:    byte < 192: one of the real keys (and near misses); else a text
//   value:  type byte, then what that type reads (see Decoder::value)

#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"

#include <QApplication>
#include <QColor>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QUrl>
#include <QVector>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
// The keys the handlers look for, and near misses.
const char* const kKeys[] = {"loginname", "username",  "data", "token",     "pool_id",
                             "pool_name", "pool_type", "ver",  "LoginName", "data ",
                             "",          "code",      "msg",  "pools",     "Ver"};
// Texts that mean something to the handlers or to the store.
const char* const kTexts[] = {"",
                              "ann",
                              "bo",
                              "a/b",
                              "%1",
                              "&",
                              "m1&Maya",
                              "p1",
                              "p2",
                              "2",
                              "200",
                              "30001",
                              "1.2.3",
                              "9.9.9",
                              "1..2",
                              "99999999999",
                              "nan",
                              "true",
                              "/tmp",
                              " ",
                              "..",
                              "ekr.account.ann",
                              "\\\\server\\x"};
const int kMaxDepth = 4;
const int kMaxText = 1 << 20; // characters
const int kMaxRepeat = 6000;  // copies of one element in a list
// What one input may decode to, counted as its values when fully expanded (a
// conversion to JSON copies every shared copy), texts by their length: a
// bound on the work an input asks for, so that no input runs for minutes.
const int kBudget = 1 << 18;

template <class T, size_t N> constexpr int countOf(const T (&)[N])
{
    return int(N);
}

// The fuzzer's bytes, read front to back; past the end every read is zero.
class Input
{
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_at >= m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    quint16 word() { return quint16(byte() | (byte() << 8)); }
    quint32 number() { return quint32(word()) | (quint32(word()) << 16); }
    quint64 wide() { return quint64(number()) | (quint64(number()) << 32); }
    QByteArray bytes(int length)
    {
        const size_t available = m_at < m_size ? m_size - m_at : 0;
        const size_t taken = std::min(available, size_t(length));
        QByteArray read(reinterpret_cast<const char*>(m_data + m_at), int(taken));
        m_at += taken;
        return read;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

class Decoder
{
public:
    explicit Decoder(Input& input) : m_in(input) {}

    QVariant value(int depth)
    {
        ++m_spent;
        return decodeValue(depth);
    }

    QString text()
    {
        const QString decoded = decodeText();
        m_spent += decoded.size() / 64;
        return decoded;
    }

    int resultCode()
    {
        const uint8_t choice = m_in.byte();
        if (choice < 160)
            return 200;
        const int codes[] = {0, -1, 401, 500, INT_MIN, INT_MAX};
        if (choice < 160 + 6 * 12)
            return codes[(choice - 160) % 6];
        return int(m_in.number());
    }

    QString key()
    {
        const uint8_t choice = m_in.byte();
        if (choice < 192)
            return QString::fromLatin1(kKeys[choice % countOf(kKeys)]);
        return text();
    }

    QVariantList list(int depth)
    {
        QVariantList read;
        for (int entries = m_in.byte() % 9; entries > 0; --entries)
            read.append(value(depth));
        return read;
    }

    QVariantMap map(int depth)
    {
        QVariantMap read;
        for (int entries = m_in.byte() % 9; entries > 0; --entries)
            read.insert(key(), value(depth));
        return read;
    }

private:
    QString decodeText()
    {
        switch (m_in.byte() % 7) {
        case 0:
        case 1:
            return QString::fromUtf8(kTexts[m_in.byte() % countOf(kTexts)]);
        case 2:
            return QString::fromLatin1(m_in.bytes(m_in.byte()));
        case 3: {
            // UTF-16 code units as they come: NULs, unpaired surrogates.
            const QByteArray units = m_in.bytes(2 * m_in.byte());
            QString read;
            for (int i = 0; i + 1 < units.size(); i += 2)
                read.append(QChar(ushort(uchar(units[i]) | (uchar(units[i + 1]) << 8))));
            return read;
        }
        case 4:
            return QString::fromUtf8(m_in.bytes(m_in.byte()));
        case 5: {
            // A short piece many times over: up to a megabyte from a few bytes.
            const QString piece = QString::fromUtf8(kTexts[m_in.byte() % countOf(kTexts)]) +
                                  QString::fromLatin1(m_in.bytes(m_in.byte() % 8));
            if (piece.isEmpty())
                return piece;
            const int affordable = std::max(1, (kBudget - m_spent) * 64) / piece.size();
            const int times =
                std::min({int(m_in.word()) * 16, kMaxText / piece.size(), affordable});
            return piece.repeated(times);
        }
        default:
            return QString();
        }
    }

    QVariant decodeValue(int depth)
    {
        const uint8_t type = m_in.byte();
        // Containers become scalars at the depth limit, and so does
        // everything once the budget is spent.
        if (m_spent >= kBudget)
            return QVariant();
        const int kind = depth >= kMaxDepth && type % 26 >= 18 ? type % 18 : type % 26;
        switch (kind) {
        case 0:
            return QVariant();
        case 1:
            return QVariant(QMetaType::QString, nullptr);
        case 2:
        case 3:
        case 4:
            return text();
        case 5:
            return int(m_in.number());
        case 6: {
            const int special[] = {0, 1, 2, -1, 30000, 30001, INT_MIN, INT_MAX};
            return special[m_in.byte() % 8];
        }
        case 7: {
            double read;
            const quint64 bits = m_in.wide();
            std::memcpy(&read, &bits, sizeof read); // NaNs, infinities, denormals
            return read;
        }
        case 8:
            return bool(m_in.byte() & 1);
        case 9:
            return m_in.bytes(m_in.word() % 4096);
        case 10:
            return QVariant(qlonglong(m_in.wide()));
        case 11:
            return QVariant(qulonglong(m_in.wide()));
        case 12:
            return QDateTime::fromMSecsSinceEpoch(qint64(m_in.wide()));
        case 13:
            return QDate(int(m_in.word()) - 20000, m_in.byte() % 14, m_in.byte() % 33);
        case 14:
            return QUrl(text());
        case 15:
            return QColor(QRgb(m_in.number()));
        case 16:
            return QVariant::fromValue(nullptr);
        case 17:
            return QChar(ushort(m_in.word()));
        // Containers.
        case 18:
        case 19:
            return list(depth + 1);
        case 20:
        case 21:
            return map(depth + 1);
        case 22: {
            QVariantHash hash;
            for (int entries = m_in.byte() % 9; entries > 0; --entries)
                hash.insert(key(), value(depth + 1));
            return hash;
        }
        case 23: {
            QStringList texts;
            for (int entries = m_in.byte() % 9; entries > 0; --entries)
                texts << text();
            return texts;
        }
        case 24: {
            // One element many times: thousands of pools from a few bytes.
            const int before = m_spent;
            const QVariant element = value(depth + 1);
            const int each = std::max(1, m_spent - before);
            const int copies =
                std::min(int(m_in.word()) % kMaxRepeat, std::max(0, kBudget - m_spent) / each);
            m_spent += copies * each;
            QVariantList repeated;
            repeated.reserve(copies);
            for (int copy = 0; copy < copies; ++copy)
                repeated.append(element);
            return repeated;
        }
        default: {
            // Other containers that still convert to a list or a map.
            switch (m_in.byte() % 3) {
            case 0: {
                QVector<QVariantMap> maps;
                for (int entries = m_in.byte() % 5; entries > 0; --entries)
                    maps.append(map(depth + 1));
                return QVariant::fromValue(maps);
            }
            case 1:
                return QJsonObject::fromVariantMap(map(depth + 1));
            default:
                return QJsonArray::fromVariantList(list(depth + 1));
            }
        }
        }
    }

    Input& m_in;
    int m_spent = 0;
};

// What the component says: its debug lines carry whole replies, so they are
// dropped; warnings are shown a few times; worse goes through.
QtMessageHandler g_previousHandler = nullptr;
int g_warningsShown = 0;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (type == QtWarningMsg && ++g_warningsShown > 5)
        return;
    g_previousHandler(type, context, text.left(300));
}

QVariantHash baselineStore()
{
    const QString ann = QStringLiteral("ekr.account.ann/");
    return {
        {ann + "renderoutput", QDir::tempPath()},
        {ann + "subtask", 3},
        {ann + "poolid", QStringLiteral("p2")},
        {ann + "defaultmaya", QStringLiteral("m2")},
        {QStringLiteral("ekr.rendering/maya"), QStringList{"m1&Maya 2022", "m2&Maya 2023"}},
        {QStringLiteral("ekr.rendering/3dsmax"), QStringList{"x1&3ds Max 2021"}},
        {QStringLiteral("m1/installlocation"), QStringLiteral("/opt/maya2022")},
        {QStringLiteral("m2/installlocation"), QStringLiteral("/opt/maya2023")},
        {QStringLiteral("x1/installlocation"), QStringLiteral("/opt/max2021")},
    };
}

// Set up once: the hermetic folders before Qt reads them, the application
// (offscreen), and the framework with the real plugin and widget tree.
struct Fixture
{
    HermeticEnvironment environment;
    int argc = 1;
    char name[16] = "fuzz_replies";
    char* argv[2] = {name, nullptr};
    QApplication application{argc, argv};
    PluginHarness harness;

    Fixture()
    {
        g_previousHandler = qInstallMessageHandler(quietHandler);
        harness.useHostUiLoader();
        harness.bringUp();
        // Nothing here asks, but should anything, it gets "Cancel" at once.
        harness.messagebox.answer = QStringLiteral("btnMessageBox_1");
        if (harness.initializeAndStart() != 0 || !harness.dialogWindow())
            qFatal("fuzz_replies: the component did not start with its dialog");
    }
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

void deliver(PluginHarness& harness, int kind, int code, const QVariantMap& reply)
{
    FakeCommunication& communication = harness.communication;
    switch (kind) {
    case 0:
        emit communication.SignInResponse(code, reply);
        break;
    case 1:
        emit communication.PoolIdResponse(code, reply);
        break;
    case 2:
        emit communication.SignOutResponse(code, reply);
        break;
    default:
        emit communication.LatestVersionResponse(code, reply);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    (void)argc;
    (void)argv;
    fixture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PluginHarness& harness = fixture().harness;

    // The same start for every input.
    harness.settings.store = baselineStore();
    harness.settings.reads.clear();
    harness.settings.writes.clear();
    harness.settings.handlesSeen.clear();
    harness.communication.requests.clear();
    harness.fileWatcher.calls.clear();
    harness.signIn(QStringLiteral("ann"));

    Input input(data, size);
    Decoder decoder(input);
    for (int replies = 0; replies < 6 && !input.atEnd(); ++replies) {
        const int kind = input.byte() % 4;
        const int code = decoder.resultCode();
        deliver(harness, kind, code, decoder.map(1));
    }
    QCoreApplication::processEvents();

    // Still there, and still showing what a clean reply says.
    emit harness.communication.LatestVersionResponse(200, {{QStringLiteral("ver"), "9.9.9"}});
    QWidget* dialog = harness.dialogWindow();
    auto* latest =
        dialog ? dialog->findChild<QLabel*>(QStringLiteral("lblLatestVersionV")) : nullptr;
    if (!latest || latest->text() != QLatin1String("9.9.9")) {
        fprintf(stderr, "fuzz_replies: the component no longer shows a clean version reply\n");
        abort();
    }
    return 0;
}
