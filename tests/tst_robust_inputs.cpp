// Bad input never takes the client down: generated replies of every shape
// from the communication service, and stored values of every type under
// every key the component reads, delivered to one component with the real
// widget tree. After each case the component must still do what it documents,
// and after all of them the dialog must still behave with clean values.
//
// The cases come from a fixed seed, printed at the start; EKR_TEST_SEED
// replaces it. Every failure names the seed and the case number, and so does
// a crash (on stderr), so that a run can be repeated exactly.

#include "plugin_harness.h"
#include "test_environment.h"

#include "EKConfigurationInterface.h"
#include "ekr_configuration_keys.h"

#include <QBitArray>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRect>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QUrl>
#include <QUuid>

#include <climits>
#include <csignal>
#include <cstdio>
#include <limits>
#include <memory>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define EKR_HAS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define EKR_HAS_SANITIZER 1
#endif
#ifdef EKR_HAS_SANITIZER
#include <sanitizer/common_interface_defs.h>
#endif

namespace keys = ekr::keys;

namespace {
// How much work one run does. The sanitizer build runs the same cases.
const int kCases = 100000;
// A new component (framework, plugin, dialog) every so many cases.
const int kCasesPerComponent = 12500;
const quint32 kDefaultSeed = 20240611;

// ---------------------------------------------------------------------------
// Where a crash happened: written by a signal handler (and the sanitizers'
// death callback) with async-signal-safe calls only.
volatile std::sig_atomic_t g_crashCase = -1;
quint32 g_crashSeed = 0;
const char* volatile g_crashKind = "";
volatile std::sig_atomic_t g_crashReported = 0;

void writeText(const char* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    ssize_t ignored = ::write(2, text, length);
    (void)ignored;
}

void writeNumber(unsigned long long number)
{
    char digits[24];
    int at = 23;
    digits[at] = '\0';
    do {
        digits[--at] = char('0' + number % 10);
        number /= 10;
    } while (number && at > 0);
    writeText(digits + at);
}

void reportCrashCase()
{
    if (g_crashCase < 0 || g_crashReported)
        return;
    g_crashReported = 1;
    writeText("\ntst_robust_inputs: died in case ");
    writeNumber((unsigned long long)g_crashCase);
    writeText(" (");
    writeText(g_crashKind);
    writeText(") of seed ");
    writeNumber(g_crashSeed);
    writeText("; replay with EKR_TEST_SEED=");
    writeNumber(g_crashSeed);
    writeText("\n");
}

const int kCrashSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
struct sigaction g_previousActions[sizeof(kCrashSignals) / sizeof(kCrashSignals[0])];

void crashHandler(int signal)
{
    reportCrashCase();
    // Hand the signal on to whoever had it before (QTest, a sanitizer or the
    // default): for a fault the instruction runs again, abort raises again.
    for (size_t i = 0; i < sizeof(kCrashSignals) / sizeof(kCrashSignals[0]); ++i) {
        if (kCrashSignals[i] == signal)
            sigaction(signal, &g_previousActions[i], nullptr);
    }
    if (signal == SIGABRT)
        raise(signal);
}

void installCrashReport()
{
    for (size_t i = 0; i < sizeof(kCrashSignals) / sizeof(kCrashSignals[0]); ++i) {
        struct sigaction action = {};
        action.sa_handler = crashHandler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_NODEFER;
        sigaction(kCrashSignals[i], &action, &g_previousActions[i]);
    }
#ifdef EKR_HAS_SANITIZER
    __sanitizer_set_death_callback(reportCrashCase);
#endif
}

void uninstallCrashReport()
{
    for (size_t i = 0; i < sizeof(kCrashSignals) / sizeof(kCrashSignals[0]); ++i)
        sigaction(kCrashSignals[i], &g_previousActions[i], nullptr);
#ifdef EKR_HAS_SANITIZER
    __sanitizer_set_death_callback(nullptr);
#endif
}

// ---------------------------------------------------------------------------
// What the component says: debug lines are counted and dropped (the cases
// put megabytes into them); warnings and worse are counted and the first few
// shown, shortened.
struct MessageCounts
{
    qint64 debug = 0;
    qint64 warnings = 0;
    qint64 critical = 0;
    QStringList firstOthers;
};
MessageCounts g_messages;
QtMessageHandler g_previousHandler = nullptr;

void countingHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg) {
        ++g_messages.debug;
        return;
    }
    if (type == QtFatalMsg) {
        g_previousHandler(type, context, text);
        return;
    }
    (type == QtWarningMsg ? g_messages.warnings : g_messages.critical)++;
    const QString line = QStringLiteral("%1: %2").arg(
        QString::fromLatin1(context.category ? context.category : "default"), text.left(160));
    if (g_messages.firstOthers.size() < 10 && !g_messages.firstOthers.contains(line)) {
        g_messages.firstOthers << line;
        fprintf(stderr, "tst_robust_inputs: message during the cases: %s\n", qPrintable(line));
    }
}

// ---------------------------------------------------------------------------
// Values of every kind the store or a reply could hold.
const QString& hugeAscii()
{
    static const QString text = [] {
        QString built(1024 * 1024, QLatin1Char('x'));
        for (int i = 0; i < built.size(); i += 4099)
            built[i] = QLatin1Char(i % 2 ? '&' : '/');
        return built;
    }();
    return text;
}

const QString& hugeUnicode()
{
    static const QString text = [] {
        QString built;
        built.reserve(1024 * 1024);
        const ushort pieces[] = {0x540D, 0x524D, 0x202E, 0x0000, 0xD800, 0xDFFF,
                                 0xFFFF, 0x0301, 0x00E9, 0x0026, 0x002F, 0x000A};
        for (int i = 0; built.size() < 1024 * 1024; ++i)
            built.append(QChar(pieces[(i * 7 + i / 13) % 12]));
        return built;
    }();
    return text;
}

const QByteArray& hugeBytes()
{
    static const QByteArray bytes = [] {
        QByteArray built(1024 * 1024, '\0');
        for (int i = 0; i < built.size(); ++i)
            built[i] = char((i * 131 + i / 7) & 0xFF);
        return built;
    }();
    return bytes;
}

// The account names a reply may carry; "ann" is the one the store knows.
const char* const kLogins[] = {
    "ann", "ann", "ann", "bo", "", "a/b", "ann/", " ann", "%1", "%2", "..", "\t", "ekr.account.ann",
    "&"};
// The reply keys the component looks for, and some near misses.
const char* const kReplyKeys[] = {"loginname", "username",  "data", "token",     "pool_id",
                                  "pool_name", "pool_type", "ver",  "LoginName", "data ",
                                  "",          "code",      "msg",  "pools"};

class Garbage
{
public:
    explicit Garbage(quint32 seed) : m_random(seed) {}

    int below(int bound) { return bound <= 0 ? 0 : int(m_random.bounded(quint32(bound))); }
    bool percent(int chance) { return below(100) < chance; }
    template <size_t N> const char* pick(const char* const (&choices)[N])
    {
        return choices[below(int(N))];
    }

    int resultCode()
    {
        if (percent(72))
            return 200;
        const int codes[] = {0, -1, 401, 404, 500, 199, 201, 2000, INT_MIN, INT_MAX};
        return percent(85) ? codes[below(10)] : int(m_random.generate());
    }

    QString login()
    {
        if (percent(3))
            return text();
        return QString::fromUtf8(pick(kLogins));
    }

    QString key() { return percent(75) ? QString::fromLatin1(pick(kReplyKeys)) : text(); }

    // Texts of every sort: empty and null, numbers and versions, separators,
    // control and unpaired characters, long and, rarely, a megabyte.
    QString text()
    {
        switch (below(22)) {
        case 0:
            return QString();
        case 1:
            return QStringLiteral("");
        case 2:
            return QStringLiteral(" ");
        case 3: {
            const char* const numbers[] = {"0",     "1",     "2",     "-1",    "200",
                                           "30000", "30001", "1e309", "nan",   "0x10",
                                           " 7 ",   "101",   "true",  "false", "2147483648"};
            return QString::fromLatin1(pick(numbers));
        }
        case 4: {
            const char* const versions[] = {"0.0.0",
                                            "1.2.3",
                                            "9.9.9",
                                            "1.10.0",
                                            "1..2",
                                            "99999999999",
                                            "1.0.0.0.0.0.0.0.0.0.1",
                                            "v2",
                                            "-1.-1",
                                            ".",
                                            "2147483647"};
            return QString::fromLatin1(pick(versions));
        }
        case 5: {
            const char* const shaped[] = {"&",      "&&",  "a&b",  "a&b&c",
                                          "&label", "id&", "/",    "a/b",
                                          "../..",  "%1",  "%1%2", "\\\\server\\share",
                                          "C:\\max"};
            return QString::fromLatin1(pick(shaped));
        }
        case 6:
            return QString::fromUtf8("\xe5\x90\x8d\xe5\x89\x8d \xe2\x80\xae \xf0\x9f\x98\x80");
        case 7:
            return QString(QChar(0xD800)) + QStringLiteral("x") + QChar(0xDFFF);
        case 8:
            return QStringLiteral("nul") + QChar(0) + QStringLiteral("inside");
        case 9:
            return QDir::tempPath();
        case 10:
            return QStringLiteral("/no/such/folder/") + QString::number(below(1000));
        case 11:
            return QString(below(2) ? 10000 : 300, QChar(QLatin1Char('w')));
        case 12:
            if (percent(8))
                return below(2) ? hugeAscii() : hugeUnicode();
            return QStringLiteral("mid-sized ") + QString(below(2000), QLatin1Char('m'));
        default: {
            QString built;
            const int length = below(24);
            for (int i = 0; i < length; ++i)
                built.append(QChar(ushort(percent(80) ? 0x20 + below(95) : below(0x10000))));
            return built;
        }
        }
    }

    // One value of any type, without nesting.
    QVariant scalar()
    {
        switch (below(30)) {
        case 0:
            return QVariant();
        case 1:
            return QVariant(QMetaType::QString, nullptr);
        case 2:
            return QVariant(QMetaType::Int, nullptr);
        case 3:
        case 4:
        case 5:
        case 6:
            return text();
        case 7:
        case 8: {
            const int numbers[] = {0, 1, 2, -1, 7, 100, 101, 200, 30000, 30001, INT_MIN, INT_MAX};
            return percent(80) ? numbers[below(12)] : int(m_random.generate());
        }
        case 9:
            return percent(50) ? QVariant(uint(m_random.generate()))
                               : QVariant(std::numeric_limits<qulonglong>::max());
        case 10:
            return percent(50) ? QVariant(std::numeric_limits<qlonglong>::min())
                               : QVariant(qlonglong(m_random.generate64()));
        case 11: {
            const double numbers[] = {0.0,
                                      -0.0,
                                      2.0,
                                      2.5,
                                      30000.5,
                                      1e308,
                                      -1e308,
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::denorm_min()};
            return percent(80) ? numbers[below(11)] : m_random.generateDouble() * 1e6;
        }
        case 12:
            return QVariant(float(m_random.generateDouble()));
        case 13:
        case 14:
            return QVariant(percent(50));
        case 15: {
            switch (below(5)) {
            case 0:
                return QByteArray();
            case 1:
                return QByteArray("2");
            case 2:
                return QByteArray("\xff\xfe\x00\x80", 4);
            case 3:
                return percent(10) ? hugeBytes() : QByteArray(below(300), 'b');
            default:
                return text().toUtf8();
            }
        }
        case 16:
            return QStringList(
                QStringList{text(), text(), QStringLiteral("m1&Maya")}.mid(below(3)));
        case 17: {
            switch (below(4)) {
            case 0:
                return QDateTime();
            case 1:
                return QDateTime(QDate(1, 1, 1), QTime(0, 0));
            case 2:
                return QDateTime::fromMSecsSinceEpoch(qint64(m_random.generate64() >> 20));
            default:
                return QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59));
            }
        }
        case 18:
            return percent(50) ? QVariant(QDate(2024, 2, 29)) : QVariant(QTime(25, 61));
        case 19: {
            const char* const urls[] = {"file:///tmp", "http://example.invalid/x", "::", ""};
            return QUrl(QString::fromLatin1(pick(urls)));
        }
        case 20:
            return QChar(ushort(below(0x10000)));
        case 21:
            switch (below(4)) {
            case 0:
                return QPoint(below(100), -below(100));
            case 1:
                return QSize(-1, -1);
            case 2:
                return QRect(0, 0, INT_MAX, INT_MAX);
            default:
                return QRectF(0.5, 0.5, 1e300, -1);
            }
        case 22:
            return percent(50) ? QVariant(QColor(Qt::red)) : QVariant(QColor());
        case 23:
            return percent(50) ? QVariant(QUuid())
                               : QVariant(QUuid(0x12345678, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10));
        case 24:
            return QRegularExpression(QStringLiteral("(unclosed"));
        case 25:
            switch (below(3)) {
            case 0:
                return QJsonObject{{QStringLiteral("token"), QStringLiteral("json")},
                                   {QStringLiteral("pool_id"), 3}};
            case 1:
                return QJsonArray{1, QStringLiteral("two"), QJsonObject{}};
            default:
                return QJsonValue(QJsonValue::Null);
            }
        case 26:
            return percent(50) ? QVariant::fromValue(nullptr)
                               : QVariant::fromValue(static_cast<QObject*>(nullptr));
        case 27:
            return percent(50) ? QVariant::fromValue(QList<int>{2, 3, INT_MIN})
                               : QVariant::fromValue(QMap<QString, QString>{{"pool_id", "p2"}});
        case 28:
            return percent(50) ? QVariant(QBitArray(below(64), true)) : QVariant(QLocale::c());
        default:
            return QVariant::fromValue(qMakePair(1, QStringLiteral("pair")));
        }
    }

    // Any value, nested up to depth containers deep.
    QVariant value(int depth = 2)
    {
        if (depth <= 0 || percent(70))
            return scalar();
        switch (below(4)) {
        case 0:
            return list(depth - 1);
        case 1:
            return map(depth - 1);
        case 2: {
            QVariantHash hash;
            for (int i = below(4); i > 0; --i)
                hash.insert(key(), value(depth - 1));
            return hash;
        }
        default:
            return QVariant::fromValue(QVector<QVariantMap>(below(4), map(depth - 1)));
        }
    }

    int size() { return percent(90) ? below(5) : below(13); }

    QVariantList list(int depth)
    {
        QVariantList built;
        for (int i = size(); i > 0; --i)
            built.append(value(depth));
        return built;
    }

    QVariantMap map(int depth)
    {
        QVariantMap built;
        for (int i = size(); i > 0; --i)
            built.insert(key(), value(depth));
        return built;
    }

    // Adds a few keys the handler does not look for.
    void addStrangers(QVariantMap& reply)
    {
        if (!percent(30))
            return;
        for (int i = 1 + below(3); i > 0; --i)
            reply.insert(key(), value());
    }

    // The value of an expected key: usually of the right kind, else anything.
    QVariant textOrAnything(const QString& usual)
    {
        if (percent(55))
            return usual;
        return percent(50) ? QVariant(text()) : value();
    }

    QVariantMap signInReply()
    {
        if (percent(8))
            return percent(30) ? QVariantMap() : map(2);
        QVariantMap reply;
        if (percent(85))
            reply.insert(QStringLiteral("loginname"), textOrAnything(login()));
        if (percent(80))
            reply.insert(QStringLiteral("username"), textOrAnything(login() + " (user)"));
        if (percent(80)) {
            if (percent(65)) {
                QVariantMap data;
                if (percent(80))
                    data.insert(QStringLiteral("token"), textOrAnything(QStringLiteral("t0k3n")));
                addStrangers(data);
                reply.insert(QStringLiteral("data"), data);
            } else {
                reply.insert(QStringLiteral("data"), value(3));
            }
        }
        addStrangers(reply);
        return reply;
    }

    QVariantMap pool()
    {
        QVariantMap pool;
        const char* const ids[] = {"p1", "p2", "p3", ""};
        if (percent(85))
            pool.insert(QStringLiteral("pool_id"), textOrAnything(QString::fromLatin1(pick(ids))));
        if (percent(85))
            pool.insert(QStringLiteral("pool_name"), textOrAnything(QStringLiteral("Pool")));
        if (percent(75)) {
            const QVariant types[] = {2, 1, QStringLiteral("2"), 2.9, QVariant()};
            pool.insert(QStringLiteral("pool_type"), percent(80) ? types[below(5)] : value());
        }
        addStrangers(pool);
        return pool;
    }

    QVariantMap poolReply()
    {
        if (percent(6))
            return percent(30) ? QVariantMap() : map(2);
        QVariantMap reply;
        if (percent(90)) {
            const int shape = below(100);
            if (shape < 70) {
                // A list of pools, now and then of thousands.
                const int count = percent(1) ? 1000 + below(4000) : below(9);
                QVariantList pools;
                pools.reserve(count);
                for (int i = 0; i < count; ++i)
                    pools.append(percent(88) ? QVariant(pool()) : value(2));
                reply.insert(QStringLiteral("data"), pools);
            } else if (shape < 78) {
                // Other containers that still convert to a list.
                QVector<QVariantMap> pools;
                for (int i = below(5); i > 0; --i)
                    pools.append(pool());
                reply.insert(QStringLiteral("data"),
                             percent(50) ? QVariant::fromValue(pools)
                                         : QVariant(QJsonArray{QJsonObject{{"pool_id", 1}},
                                                               QStringLiteral("p2")}));
            } else if (shape < 88) {
                // A map where the list belongs.
                reply.insert(QStringLiteral("data"), percent(50) ? QVariant(pool()) : value(3));
            } else {
                reply.insert(QStringLiteral("data"), scalar());
            }
        }
        addStrangers(reply);
        return reply;
    }

    QVariantMap signOutReply() { return percent(30) ? QVariantMap() : map(3); }

    QVariantMap latestVersionReply()
    {
        if (percent(8))
            return percent(30) ? QVariantMap() : map(2);
        QVariantMap reply;
        if (percent(85))
            reply.insert(QStringLiteral("ver"),
                         textOrAnything(QStringLiteral("1.2.%1").arg(below(20))));
        addStrangers(reply);
        return reply;
    }

    // A catalogue entry list: "<version id>&<label>" and entries without "&".
    QVariant versions()
    {
        if (percent(15))
            return value(2);
        const char* const ids[] = {"m1", "m2", "x1", "x2", "", "a/b", "&", "m1&again"};
        const int count = percent(1) ? 1000 + below(3000) : below(7);
        QStringList entries;
        entries.reserve(count);
        for (int i = 0; i < count; ++i) {
            switch (below(8)) {
            case 0:
                entries << QStringLiteral("no ampersand");
                break;
            case 1:
                entries << QString();
                break;
            case 2:
                entries << text();
                break;
            case 3:
                entries << QString::fromLatin1(pick(ids)) + QLatin1Char('&') + text();
                break;
            default:
                entries << QStringLiteral("%1&Version %2")
                               .arg(QString::fromLatin1(pick(ids)))
                               .arg(below(30));
            }
        }
        return entries;
    }

    // A stored value for a key whose proper type is given: usually something
    // close to right, else anything.
    QVariant storedLike(QMetaType::Type proper)
    {
        if (percent(40))
            return value(2);
        switch (proper) {
        case QMetaType::Bool: {
            const QVariant near[] = {
                true, false, QStringLiteral("true"), QStringLiteral("false"), QStringLiteral("1"),
                0,    2,     QStringLiteral("yes")};
            return near[below(8)];
        }
        case QMetaType::Int: {
            const QVariant near[] = {
                0,       1,    7, 100, 101, -5, QStringLiteral("12"), QStringLiteral("many"),
                INT_MAX, 30001};
            return near[below(10)];
        }
        default:
            return text();
        }
    }

    QRandomGenerator& random() { return m_random; }

private:
    QRandomGenerator m_random;
};

// ---------------------------------------------------------------------------
// The settings each widget shows, as the component documents them.
struct BoundCheck
{
    const char* widget;
    const char* key;
};
const BoundCheck kChecks[] = {
    {"chkAutoLogin", keys::AutoLogin},
    {"chkAutoDownload", keys::AutoDownload},
    {"chkSoundFinish", keys::SoundFinish},
    {"chkPopupFinish", keys::PopupFinish},
    {"chkAutoUpdate", keys::AutoUpdate},
    {"chkPrerender", keys::Prerender},
    {"chkInterruptSubmit", keys::InterruptSubmit},
    {"chkSetArgument", keys::SetArgument},
    {"chkAutoStart", keys::AutoStart},
    {"chkEnableRenderLayer", keys::RenderLayer},
    {"chkEnableAutoUploadFailedFiles", keys::UploadFailedFiles},
    {"chkUploadSceneFileOnly", keys::SceneFileOnly},
};

// Every key the component reads, with the type it writes there.
struct ReadKey
{
    const char* key;
    QMetaType::Type proper;
};
const ReadKey kReadKeys[] = {
    {keys::RenderOutput, QMetaType::QString},   {keys::MonitorPath, QMetaType::QString},
    {keys::PoolId, QMetaType::QString},         {keys::AutoLogin, QMetaType::Bool},
    {keys::AutoDownload, QMetaType::Bool},      {keys::SoundFinish, QMetaType::Bool},
    {keys::PopupFinish, QMetaType::Bool},       {keys::AutoUpdate, QMetaType::Bool},
    {keys::Prerender, QMetaType::Bool},         {keys::InterruptSubmit, QMetaType::Bool},
    {keys::SetArgument, QMetaType::Bool},       {keys::SubTask, QMetaType::Int},
    {keys::AutoStart, QMetaType::Bool},         {keys::RenderLayer, QMetaType::Bool},
    {keys::UploadFailedFiles, QMetaType::Bool}, {keys::SceneFileOnly, QMetaType::Bool},
    {keys::TransferType, QMetaType::Int},       {keys::CheckInterval, QMetaType::QString},
    {keys::DefaultMax, QMetaType::QString},     {keys::DefaultMaya, QMetaType::QString},
};

const char* const kSoftware[] = {"maya", "3dsmax", "maya", "3dsmax", "blender", "", "a/b", "&"};

QString key(const char* pattern, const QString& login)
{
    return keys::Form(pattern, login);
}

// A store with an account "ann" and a small catalogue, where the cases start.
QVariantHash baselineStore()
{
    return {
        {key(keys::RenderOutput, "ann"), QDir::tempPath()},
        {key(keys::SubTask, "ann"), 3},
        {key(keys::PoolId, "ann"), QStringLiteral("p2")},
        {key(keys::AutoDownload, "ann"), true},
        {key(keys::DefaultMaya, "ann"), QStringLiteral("m2")},
        {key(keys::CheckInterval, "ann"), QStringLiteral("60000")},
        {QStringLiteral("ekr.rendering/maya"), QStringList{"m1&Maya 2022", "m2&Maya 2023"}},
        {QStringLiteral("ekr.rendering/3dsmax"), QStringList{"x1&3ds Max 2021", "x2&3ds Max 2022"}},
        {QStringLiteral("m1/installlocation"), QStringLiteral("/opt/maya2022")},
        {QStringLiteral("m2/installlocation"), QStringLiteral("/opt/maya2023")},
        {QStringLiteral("x2/installlocation"), QStringLiteral("/opt/max2022")},
        {QStringLiteral("maya/analyzer"), QStringLiteral("mayabatch")},
        {QStringLiteral("3dsmax/analyzer"), QStringLiteral("3dsmaxcmd")},
    };
}

// The rows the table must have for a store: one per catalogue entry with a
// version label after "&", for each software directly under "ekr.rendering".
int expectedRows(const QVariantHash& store)
{
    const QString prefix = QStringLiteral("ekr.rendering/");
    int rows = 0;
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        if (!it.key().startsWith(prefix) || it.key().mid(prefix.size()).contains('/'))
            continue;
        const QStringList entries = it.value().toStringList();
        for (const QString& entry : entries)
            rows += entry.split(QLatin1Char('&')).size() >= 2 ? 1 : 0;
    }
    return rows;
}

// A value for a message: its type and the start of its text, with control
// characters and unpaired surrogates as "?", so that the message stays whole.
QString shown(const QVariant& value)
{
    const QString text = value.toString();
    QString start = text.left(60);
    for (QChar& c : start) {
        if (c.unicode() < 0x20 || c.isSurrogate())
            c = QLatin1Char('?');
    }
    return QStringLiteral("%1(\"%2\"%3)")
        .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "invalid"), start,
             text.size() > 60 ? QStringLiteral("... %1 chars").arg(text.size()) : QString());
}

enum Kind
{
    SignIn,
    PoolId,
    SignOut,
    LatestVersion,
    Stored,
    KindCount
};
const char* const kKindNames[KindCount] = {"SignInResponse", "PoolIdResponse", "SignOutResponse",
                                           "LatestVersionResponse", "stored values"};

enum Action
{
    ActSignIn,
    ActReload,
    ActApply,
    ActCancel,
    ActRowClicks,
    ActShow,
    ActUpdateButton,
    ActionCount
};
const char* const kActionNames[ActionCount] = {"sign-in",    "reload", "Apply",        "Cancel",
                                               "row clicks", "shown",  "update button"};

struct Figures
{
    quint32 seed = 0;
    qint64 cases = 0;
    qint64 perKind[KindCount] = {};
    qint64 successReplies[KindCount] = {};
    qint64 actions[ActionCount] = {};
    qint64 storedValues = 0;
    int components = 0;
    qint64 milliseconds = 0;
    bool ran = false;
};
Figures g_figures;
} // namespace

#define EXPECT(condition, detail)                                                                  \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            QFAIL(qPrintable(where() + QStringLiteral(": ") + (detail)));                          \
        }                                                                                          \
    } while (0)
#define RETURN_IF_FAILED()                                                                         \
    do {                                                                                           \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (0)

class RobustInputsTest : public QObject
{
    Q_OBJECT

    quint32 m_seed = kDefaultSeed;
    std::unique_ptr<Garbage> m_garbage;
    std::unique_ptr<PluginHarness> m_harness;
    QString m_login;          // the account of the component's last successful sign-in
    QString m_currentVersion; // the installed version it read then
    qint64 m_case = -1;
    Kind m_kind = Stored;
    QString m_step;

    QString where() const
    {
        return QStringLiteral("seed %1, case %2 (%3%4); replay with EKR_TEST_SEED=%1")
            .arg(m_seed)
            .arg(m_case)
            .arg(QString::fromLatin1(kKindNames[m_kind]),
                 m_step.isEmpty() ? QString() : QStringLiteral(", ") + m_step);
    }

    PluginHarness& h() { return *m_harness; }
    FakeSettings& settings() { return m_harness->settings; }
    template <class W = QWidget> W* get(const char* name) { return m_harness->widget<W>(name); }
    QString accountKey(const char* pattern) const { return key(pattern, m_login); }

    void buildComponent()
    {
        m_harness.reset(); // the previous one goes first, with its dialog
        QCoreApplication::processEvents();
        m_harness.reset(new PluginHarness);
        h().useHostUiLoader();
        h().bringUp();
        h().messagebox.answer = QStringLiteral("btnMessageBox_1");
        h().settings.store = baselineStore();
        QCOMPARE(h().initializeAndStart(), 0);
        QVERIFY(h().dialogWindow());
        m_login.clear();
        m_currentVersion.clear();
        ++g_figures.components;
    }

    // Drops what the doubles recorded, so that a long run does not pile it up.
    void forgetRecords()
    {
        settings().reads.clear();
        settings().writes.clear();
        settings().handlesSeen.clear();
        h().communication.requests.clear();
        h().messagebox.questions.clear();
        h().fileWatcher.calls.clear();
    }

    // ----- the four replies -----

    void replyCase(Kind kind)
    {
        Garbage& g = *m_garbage;
        const int code = g.resultCode();
        QVariantMap reply;
        switch (kind) {
        case SignIn:
            reply = g.signInReply();
            break;
        case PoolId:
            reply = g.poolReply();
            break;
        case SignOut:
            reply = g.signOutReply();
            break;
        default:
            reply = g.latestVersionReply();
        }
        m_step = QStringLiteral("result %1").arg(code);
        if (code == 200)
            ++g_figures.successReplies[kind];
        FakeCommunication& communication = h().communication;

        switch (kind) {
        case SignIn: {
            const int writesBefore = settings().writes.size();
            const QString login = reply.value(QStringLiteral("loginname")).toString();
            const QVariant intervalBefore = settings().store.value(key(keys::CheckInterval, login));
            emit communication.SignInResponse(code, reply);
            if (code != 200) {
                EXPECT(communication.requests.isEmpty(), "a failed sign-in asked for pools");
                EXPECT(settings().writes.size() == writesBefore, "a failed sign-in wrote");
                return;
            }
            m_login = login;
            m_currentVersion = get<QLabel>("lblCurrentVersionV")->text();
            EXPECT(communication.requests.size() == 1, "no pool request after a sign-in");
            const QVariantHash expected{
                {QStringLiteral("username"), reply.value(QStringLiteral("username")).toString()},
                {QStringLiteral("token"), reply.value(QStringLiteral("data"))
                                              .toMap()
                                              .value(QStringLiteral("token"))
                                              .toString()}};
            EXPECT(communication.requests.first().data == expected,
                   "the pool request does not carry the reply's user name and token");
            checkLoaded(true, intervalBefore);
            return;
        }
        case PoolId: {
            auto* box = get<QComboBox>("cmbPool");
            const int before = box->count();
            emit communication.PoolIdResponse(code, reply);
            if (code != 200) {
                EXPECT(box->count() == before, "a failed pool reply changed the pool list");
                return;
            }
            const int pools = reply.value(QStringLiteral("data")).toList().size();
            EXPECT(
                box->count() == pools,
                QStringLiteral("%1 pools shown for %2 in the reply").arg(box->count()).arg(pools));
            EXPECT(pools == 0 || (box->currentIndex() >= 0 && box->currentIndex() < pools),
                   "no pool chosen");
            const QString chosen =
                box->currentIndex() >= 0 ? box->currentData().toString() : QString();
            const QVariant stored = settings().store.value(accountKey(keys::PoolId));
            EXPECT(stored.toString() == chosen,
                   QStringLiteral("the store holds pool %1, the box shows %2")
                       .arg(shown(stored), shown(chosen)));
            return;
        }
        case SignOut:
            if (g.percent(20)) {
                h().component()->ShowConf();
                ++g_figures.actions[ActShow];
            }
            emit communication.SignOutResponse(code, reply);
            EXPECT(!h().dialogWindow()->isVisible(), "the dialog stayed open after a sign-out");
            return;
        default: {
            emit communication.LatestVersionResponse(code, reply);
            const QString shownLatest = get<QLabel>("lblLatestVersionV")->text();
            // A failed check shows the installed version as the latest (empty
            // before the first sign-in has read it).
            const QString wanted =
                code == 200 ? reply.value(QStringLiteral("ver")).toString() : m_currentVersion;
            EXPECT(shownLatest == wanted, QStringLiteral("latest version shows %1, not %2")
                                              .arg(shown(shownLatest), shown(wanted)));
            return;
        }
        }
    }

    // ----- stored values -----

    void storedCase()
    {
        Garbage& g = *m_garbage;
        // Every few cases the store starts again from the baseline; otherwise
        // the garbage of earlier cases stays and meets the new.
        if (g.percent(35))
            settings().store = baselineStore();
        const QString login = g.percent(80) ? m_login : g.login();
        for (int count = 1 + g.below(6); count > 0; --count) {
            QString target;
            QVariant value;
            const int area = g.below(100);
            if (area < 55) {
                const ReadKey& read =
                    kReadKeys[g.below(int(sizeof(kReadKeys) / sizeof(kReadKeys[0])))];
                target = key(read.key, login);
                value = g.storedLike(read.proper);
            } else if (area < 75) {
                const QString software =
                    g.percent(90) ? QString::fromUtf8(g.pick(kSoftware)) : g.text();
                target = key(keys::RenderingVersions, software);
                value = g.versions();
            } else if (area < 92) {
                const char* const ids[] = {"m1", "m2", "x1", "x2", "", "a/b"};
                target = key(keys::InstallLocation,
                             g.percent(90) ? QString::fromLatin1(g.pick(ids)) : g.text());
                const QVariant places[] = {QDir::tempPath(), QStringLiteral("/opt/x"), QString(),
                                           QStringLiteral(" ")};
                value = g.percent(60) ? places[g.below(4)] : g.value(2);
            } else if (area < 96) {
                target = key(keys::Analyzer, QString::fromUtf8(g.pick(kSoftware)));
                value = g.value(1);
            } else {
                // The catalogue group itself, and keys one level deeper.
                target = g.percent(50) ? QString::fromLatin1(keys::Rendering)
                                       : QStringLiteral("ekr.rendering/maya/deeper");
                value = g.value(2);
            }
            if (g.percent(12))
                settings().store.remove(target);
            else
                settings().store.insert(target, value);
            ++g_figures.storedValues;
        }

        for (int actions = 1 + g.below(3); actions > 0; --actions) {
            const int which = g.below(100);
            if (which < 26)
                storedSignIn();
            else if (which < 44)
                reload();
            else if (which < 66)
                apply();
            else if (which < 76)
                cancel();
            else if (which < 92)
                rowClicks();
            else if (which < 97) {
                m_step = QStringLiteral("shown");
                ++g_figures.actions[ActShow];
                h().component()->ShowConf();
            } else {
                // The update question is answered "Cancel" by the double.
                m_step = QStringLiteral("update button");
                ++g_figures.actions[ActUpdateButton];
                get<QPushButton>("btnUpdate")->click();
            }
            RETURN_IF_FAILED();
        }
    }

    void storedSignIn()
    {
        m_step = QStringLiteral("sign-in");
        ++g_figures.actions[ActSignIn];
        const QString login = m_garbage->percent(85) ? QStringLiteral("ann") : m_garbage->login();
        const QVariant intervalBefore = settings().store.value(key(keys::CheckInterval, login));
        h().signIn(login);
        m_login = login;
        m_currentVersion = get<QLabel>("lblCurrentVersionV")->text();
        checkLoaded(true, intervalBefore);
    }

    void reload()
    {
        m_step = QStringLiteral("reload");
        ++g_figures.actions[ActReload];
        emit settings().SettingsUpdated();
        checkLoaded(false, QVariant());
    }

    void cancel()
    {
        m_step = QStringLiteral("Cancel");
        ++g_figures.actions[ActCancel];
        get<QPushButton>("btnCancel")->click();
        EXPECT(!h().dialogWindow()->isVisible(), "Cancel left the dialog open");
        checkLoaded(false, QVariant());
    }

    // What a load must have put into the widgets, whatever was stored.
    void checkLoaded(bool signedIn, const QVariant& intervalBefore)
    {
        if (m_login.isEmpty())
            return; // the empty account loads nothing
        const QVariantHash& store = settings().store;
        const bool setArgument = store.value(accountKey(keys::SetArgument)).toBool();
        for (const BoundCheck& check : kChecks) {
            const QVariant stored = store.value(accountKey(check.key));
            bool wanted = stored.toBool();
            if (QByteArray(check.widget) == "chkPrerender")
                wanted = wanted && !setArgument; // the two exclude each other
            EXPECT(get<QCheckBox>(check.widget)->isChecked() == wanted,
                   QStringLiteral("%1 does not show the stored %2")
                       .arg(QString::fromLatin1(check.widget), shown(stored)));
        }
        const QVariant subtask = store.value(accountKey(keys::SubTask));
        EXPECT(get<QSpinBox>("spbSubTask")->value() == qBound(1, subtask.toInt(), 100),
               QStringLiteral("the subtask box shows %1 for the stored %2")
                   .arg(get<QSpinBox>("spbSubTask")->value())
                   .arg(shown(subtask)));
        // A line edit holds at most maxLength characters of a longer text.
        const QVariant output = store.value(accountKey(keys::RenderOutput));
        auto* outputField = get<QLineEdit>("lneSavePath");
        EXPECT(outputField->text() == output.toString().left(outputField->maxLength()),
               QStringLiteral("the output folder shows %1 for the stored %2")
                   .arg(shown(get<QLineEdit>("lneSavePath")->text()), shown(output)));
        if (!signedIn)
            return;
        EXPECT(!output.toString().isEmpty(), "a sign-in left no output folder");
        // An interval above the minimum is kept as its text, else the minimum
        // is written. (The test is toInt() of the stored value, so a double
        // such as 45000.5 is kept as "45000.5", which reads back as 0.)
        const QVariant interval = store.value(accountKey(keys::CheckInterval));
        const bool kept = !intervalBefore.toString().isEmpty() && intervalBefore.toInt() > 30000;
        const QString wantedInterval = kept ? intervalBefore.toString() : QStringLiteral("30000");
        EXPECT(interval == QVariant(wantedInterval),
               QStringLiteral("a sign-in left the check interval %1 for the stored %2")
                   .arg(shown(interval), shown(intervalBefore)));
        const int rows = get<QTableWidget>("twtSoftwareVersion")->rowCount();
        EXPECT(rows == expectedRows(store),
               QStringLiteral("the table has %1 rows for %2 catalogue entries")
                   .arg(rows)
                   .arg(expectedRows(store)));
    }

    void apply()
    {
        Garbage& g = *m_garbage;
        m_step = QStringLiteral("Apply");
        ++g_figures.actions[ActApply];
        // Some edits first, of any size.
        for (const BoundCheck& check : kChecks) {
            if (g.percent(15))
                get<QCheckBox>(check.widget)->toggle();
        }
        if (g.percent(30))
            get<QSpinBox>("spbSubTask")->setValue(g.scalar().toInt());
        if (g.percent(20))
            get<QLineEdit>("lneSavePath")->setText(g.text());
        if (g.percent(15))
            get<QLineEdit>("lneMonitorPath")->setText(g.text());
        if (g.percent(20)) {
            auto* pools = get<QComboBox>("cmbPool");
            pools->setCurrentIndex(g.below(pools->count() + 2) - 1);
        }
        const QString savePath = get<QLineEdit>("lneSavePath")->text().trimmed();
        const int questionsBefore = h().messagebox.questions.size();
        get<QPushButton>("btnApply")->setEnabled(true);
        get<QPushButton>("btnApply")->click();

        // What the widgets show is now what is stored.
        const QVariantHash& store = settings().store;
        EXPECT(!h().dialogWindow()->isVisible(), "Apply left the dialog open");
        EXPECT(!get<QPushButton>("btnApply")->isEnabled(), "Apply stayed enabled");
        for (const BoundCheck& check : kChecks) {
            const QVariant stored = store.value(accountKey(check.key));
            EXPECT(get<QCheckBox>(check.widget)->isChecked() == stored.toBool(),
                   QStringLiteral("after Apply %1 is not stored (%2)")
                       .arg(QString::fromLatin1(check.widget), shown(stored)));
        }
        const QVariant subtask = store.value(accountKey(keys::SubTask));
        EXPECT(get<QSpinBox>("spbSubTask")->value() == subtask.toInt(),
               QStringLiteral("after Apply the subtask is stored as %1").arg(shown(subtask)));
        const QVariant output = store.value(accountKey(keys::RenderOutput));
        EXPECT(savePath.isEmpty() || output.toString() == savePath,
               QStringLiteral("after Apply the output folder is stored as %1").arg(shown(output)));
        auto* pools = get<QComboBox>("cmbPool");
        const QVariant pool = store.value(accountKey(keys::PoolId));
        EXPECT(pools->currentIndex() < 0 || pool.toString() == pools->currentData().toString(),
               QStringLiteral("after Apply the pool is stored as %1").arg(shown(pool)));
        EXPECT(h().messagebox.questions.size() - questionsBefore <= 1,
               "Apply asked the update question more than once");
    }

    void rowClicks()
    {
        Garbage& g = *m_garbage;
        m_step = QStringLiteral("row clicks");
        ++g_figures.actions[ActRowClicks];
        auto* table = get<QTableWidget>("twtSoftwareVersion");
        for (int clicks = 1 + g.below(4); clicks > 0; --clicks) {
            const int pick = g.below(100);
            if (pick < 5) {
                emit table->itemClicked(nullptr);
                continue;
            }
            if (pick < 10) {
                QTableWidgetItem stray(QStringLiteral("not in the table"));
                emit table->itemClicked(&stray);
                continue;
            }
            const int row = g.below(table->rowCount() + 1);
            QTableWidgetItem* item = table->item(row, g.below(2));
            emit table->itemClicked(item);
            QTableWidgetItem* location = table->item(row, 1);
            if (!item || !location || location->text().isEmpty())
                continue;
            const QString software = location->data(Qt::UserRole).toString();
            if (software == QLatin1String("maya") || software == QLatin1String("3dsmax")) {
                EXPECT(location->background().color() == QColor(200, 200, 200),
                       QStringLiteral("row %1 of %2 was clicked but is not marked")
                           .arg(row)
                           .arg(software));
                EXPECT(get<QPushButton>("btnApply")->isEnabled(), "a marked row left Apply off");
            }
        }
    }

    // The dialog is shown, laid out and painted with whatever it holds now.
    void paint()
    {
        m_step = QStringLiteral("painted");
        h().component()->ShowConf();
        QCoreApplication::processEvents();
        QWidget* dialog = h().dialogWindow();
        EXPECT(dialog && !dialog->grab().isNull(), "the dialog could not be painted");
    }

private slots:
    void initTestCase()
    {
        const QByteArray fromEnvironment = qgetenv("EKR_TEST_SEED");
        if (!fromEnvironment.isEmpty()) {
            bool ok = false;
            m_seed = fromEnvironment.trimmed().toUInt(&ok, 0);
            QVERIFY2(ok, qPrintable("EKR_TEST_SEED is not a 32-bit number: " + fromEnvironment));
        }
        g_figures.seed = m_seed;
        printf("robust inputs: seed %u%s\n", m_seed,
               fromEnvironment.isEmpty() ? " (fixed; EKR_TEST_SEED replaces it)"
                                         : " (from EKR_TEST_SEED)");
        fflush(stdout);
        m_garbage.reset(new Garbage(m_seed));
        g_crashSeed = m_seed;
    }

    void garbageNeverCrashesTheComponent()
    {
        g_previousHandler = qInstallMessageHandler(countingHandler);
        installCrashReport();
        struct Restore
        {
            ~Restore()
            {
                uninstallCrashReport();
                qInstallMessageHandler(g_previousHandler);
            }
        } restore;

        QElapsedTimer clock;
        clock.start();
        struct Elapsed
        {
            QElapsedTimer& clock;
            ~Elapsed() { g_figures.milliseconds = clock.elapsed(); }
        } elapsed{clock};
        Garbage& g = *m_garbage;
        for (m_case = 0; m_case < kCases; ++m_case) {
            if (m_case % kCasesPerComponent == 0) {
                m_kind = Stored;
                m_step = QStringLiteral("building a component");
                buildComponent();
                RETURN_IF_FAILED();
            }
            forgetRecords();
            const int pick = g.below(100);
            m_kind = pick < 24   ? SignIn
                     : pick < 48 ? PoolId
                     : pick < 58 ? SignOut
                     : pick < 78 ? LatestVersion
                                 : Stored;
            m_step.clear();
            g_crashCase = std::sig_atomic_t(m_case);
            g_crashKind = kKindNames[m_kind];
            ++g_figures.perKind[m_kind];
            ++g_figures.cases;
            if (m_kind == Stored)
                storedCase();
            else
                replyCase(m_kind);
            RETURN_IF_FAILED();

            // The store of a reply case drifts (account names of every kind);
            // bring it back now and then.
            if (m_kind != Stored && g.percent(2))
                settings().store = baselineStore();
            if (m_case % 64 == 63)
                QCoreApplication::processEvents();
            if (m_case % 2000 == 1999) {
                paint();
                RETURN_IF_FAILED();
            }
            EXPECT(h().dialogWindow() && h().component(), "the dialog or the component is gone");
        }
        g_crashCase = -1;
        g_figures.ran = true;
        EXPECT(g_messages.critical == 0,
               QStringLiteral("%1 critical messages during the cases").arg(g_messages.critical));
    }

    // The component that went through every case, signed in with clean values.
    void dialogStillBehavesAfterwards()
    {
        QVERIFY(m_harness);
        m_case = -1;
        m_kind = Stored;
        m_step = QStringLiteral("clean sign-in afterwards");
        forgetRecords();
        const QString zoe = QStringLiteral("ekr.account.zoe/");
        settings().store = {
            {zoe + "renderoutput", QDir::tempPath()},
            {zoe + "subtask", 7},
            {zoe + "poolid", "pz2"},
            {zoe + "autodownload", true},
            {zoe + "popupfinish", true},
            {zoe + "soundfinish", false},
            {zoe + "checkinterval", "45000"},
            {zoe + "defaultmaya", "m1"},
            {"ekr.rendering/maya", QStringList{"m1&Maya 2022", "m2&Maya 2023"}},
            {"ekr.rendering/3dsmax", QStringList{"x1&3ds Max 2021"}},
            {"m1/installlocation", "/opt/maya2022"},
            {"m2/installlocation", "/opt/maya2023"},
            {"x1/installlocation", "/opt/max2021"},
        };
        h().signIn(QStringLiteral("zoe"));
        m_login = QStringLiteral("zoe");
        emit h().communication.PoolIdResponse(
            200, {{"data", QVariantList{QVariantMap{{"pool_id", "pz1"}, {"pool_name", "One"}},
                                        QVariantMap{{"pool_id", "pz2"}, {"pool_name", "Two"}}}}});
        h().component()->ShowConf();
        emit h().communication.LatestVersionResponse(200, {{"ver", "9.9.9"}});
        QCoreApplication::processEvents();

        QVERIFY(h().dialogWindow()->isVisible());
        QCOMPARE(h().communication.requests.first().data,
                 (QVariantHash{{"username", "zoe (user)"}, {"token", "token-of-zoe"}}));
        QCOMPARE(get<QLineEdit>("lneSavePath")->text(), QDir::tempPath());
        QVERIFY(get<QCheckBox>("chkAutoDownload")->isChecked());
        QVERIFY(get<QCheckBox>("chkPopupFinish")->isChecked());
        QVERIFY(!get<QCheckBox>("chkSoundFinish")->isChecked());
        QVERIFY(!get<QCheckBox>("chkAutoUpdate")->isChecked());
        QCOMPARE(get<QSpinBox>("spbSubTask")->value(), 7);
        QCOMPARE(get<QComboBox>("cmbPool")->count(), 2);
        QCOMPARE(get<QComboBox>("cmbPool")->currentText(), QStringLiteral("Two"));
        QCOMPARE(get<QLabel>("lblLatestVersionV")->text(), QStringLiteral("9.9.9"));
        auto* table = get<QTableWidget>("twtSoftwareVersion");
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("3ds Max 2021"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Maya 2022"));
        QCOMPARE(table->item(1, 0)->background().color(), QColor(200, 200, 200));
        QVERIFY(table->item(2, 0)->background().color() != QColor(200, 200, 200));

        // Apply writes what changed, in Apply's order, and nothing else.
        forgetRecords();
        get<QCheckBox>("chkSoundFinish")->setChecked(true);
        get<QSpinBox>("spbSubTask")->setValue(9);
        emit table->itemClicked(table->item(2, 1));
        QVERIFY(get<QPushButton>("btnApply")->isEnabled());
        get<QPushButton>("btnApply")->click();
        QStringList writes;
        for (const auto& write : settings().writes)
            writes << QStringLiteral("%1=%2").arg(write.key, write.value.toString());
        QCOMPARE(writes, QStringList({zoe + "soundfinish=true", zoe + "subtask=9",
                                      zoe + "defaultmaya=m2"}));
        QVERIFY(!h().dialogWindow()->isVisible());
        QVERIFY(!get<QPushButton>("btnApply")->isEnabled());

        // And a sign-out still closes it.
        h().component()->ShowConf();
        QVERIFY(h().dialogWindow()->isVisible());
        emit h().communication.SignOutResponse(200, {});
        QVERIFY(!h().dialogWindow()->isVisible());
    }

    void cleanupTestCase()
    {
        m_harness.reset();
        QCoreApplication::processEvents();
    }
};

int main(int argc, char** argv)
{
    HermeticEnvironment environment;
    QApplication app(argc, argv);
    int result = 0;
    {
        RobustInputsTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    // The figures close the output.
    const Figures& f = g_figures;
    printf("robust inputs: %lld cases%s in %.1f s on %d components, seed %u\n", f.cases,
           f.ran ? "" : " (stopped early)", f.milliseconds / 1000.0, f.components, f.seed);
    for (int kind = 0; kind < Stored; ++kind)
        printf("robust inputs: %-21s %6lld cases (%lld with result 200)\n", kKindNames[kind],
               f.perKind[kind], f.successReplies[kind]);
    QStringList actions;
    for (int action = 0; action < ActionCount; ++action)
        actions << QStringLiteral("%1 %2")
                       .arg(f.actions[action])
                       .arg(QLatin1String(kActionNames[action]));
    printf("robust inputs: stored values         %6lld cases, %lld values stored; driven: %s\n",
           f.perKind[Stored], f.storedValues, qPrintable(actions.join(QStringLiteral(", "))));
    printf("robust inputs: messages: %lld debug, %lld warnings, %lld critical\n", g_messages.debug,
           g_messages.warnings, g_messages.critical);
    printf("robust inputs: seed %u (replay with EKR_TEST_SEED=%u)\n", f.seed, f.seed);
    return result;
}

#include "tst_robust_inputs.moc"
