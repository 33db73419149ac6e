#include "reply_generator.h"

#include "fake_services.h"

#include <QBitArray>
#include <QColor>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QRect>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>

#include <climits>
#include <cstring>
#include <limits>

const char* const kReplyKindNames[ReplyKindCount] = {"SignInResponse", "PoolIdResponse",
                                                     "SignOutResponse", "LatestVersionResponse"};

namespace {
template <class T, size_t N> constexpr int countOf(const T (&)[N])
{
    return int(N);
}
using Limits = std::numeric_limits<double>;

// The keys the handlers look for, and near misses.
const char* const kKeys[] = {"loginname", "username",  "data", "token",     "pool_id",
                             "pool_name", "pool_type", "ver",  "LoginName", "data ",
                             "",          "code",      "msg"};
// Account names: "ann" is the one the stores know.
const char* const kLogins[] = {
    "ann", "ann", "ann", "bo", "", "a/b", "ann/", " ann", "%1", "..", "\t", "ekr.account.ann", "&"};
// Texts and values of every type with no draw in them: empty and null,
// numbers and versions, the separators of keys, labels and format strings,
// right-to-left marks, unpaired surrogates, a NUL inside, long texts.
// clang-format off
const QString kTexts[] = {
    QString(), "", " ", "0", "1", "-1", "200", "30000", "30001", "1e309", "nan", "0x10", " 7 ",
    "true", "2147483648", "1.2.3", "9.9.9", "1.10.0", "1..2", "99999999999", "1.0.0.0.0.0.0.1",
    "v2", ".", "&", "&&", "a&b&c", "m1&Maya", "/", "../..", "%1%2", "\\\\server\\share", "p1",
    "/tmp", QString::fromUtf8("\xe5\x90\x8d\xe5\x89\x8d \xe2\x80\xae \xf0\x9f\x98\x80"),
    QChar(0xD800) + QStringLiteral("x\0y") + QChar(0xDFFF), QString(300, 'w'), QString(10000, 'w')};
const QVariant kScalars[] = {
    QVariant(), QVariant(QMetaType::QString, nullptr), QVariant(QMetaType::Int, nullptr), 0, 1, 2,
    -1, 7, 101, 30001, INT_MIN, INT_MAX, std::numeric_limits<qulonglong>::max(),
    std::numeric_limits<qlonglong>::min(), -0.0, 2.5, 30000.5, 1e308, Limits::quiet_NaN(),
    -Limits::infinity(), Limits::denorm_min(), true, false, QByteArray(),
    QByteArray("\xff\xfe\x00\x80", 4), QByteArray("2"), QDateTime(),
    QDateTime(QDate(1, 1, 1), QTime(0, 0)), QDateTime(QDate(9999, 12, 31), QTime(23, 59)),
    QTime(25, 61), QSize(-1, -1), QRect(0, 0, INT_MAX, INT_MAX), QRectF(0.5, 0.5, 1e300, -1),
    QColor(), QColor(Qt::red), QUuid(), QRegularExpression("(unclosed"), QLocale::c(),
    QJsonObject{{"token", "json"}, {"pool_id", 3}}, QJsonArray{1, "two", QJsonObject{}},
    QJsonValue(), QVariant::fromValue(nullptr), QVariant::fromValue((QObject*)nullptr),
    QVariant::fromValue(QList<int>{2, INT_MIN}), QVariant::fromValue(qMakePair(1, 2.5)),
    QVariant::fromValue(QMap<QString, QString>{{"pool_id", "p2"}})};
// clang-format on

QString huge(bool unicode)
{
    static const QString ascii = [] {
        QString built(1 << 20, QLatin1Char('x'));
        for (int i = 0; i < built.size(); i += 4099)
            built[i] = QLatin1Char(i % 2 ? '&' : '/');
        return built;
    }();
    static const QString other = [] {
        const ushort pieces[] = {0x540D, 0x202E, 0x0000, 0xD800, 0xDFFF, 0xFFFF, 0x0301, 0x0026};
        QString built(1 << 20, QChar());
        for (int i = 0; i < built.size(); ++i)
            built[i] = QChar(pieces[(i * 7 + i / 13) % 8]);
        return built;
    }();
    return unicode ? other : ascii;
}
} // namespace

int ReplyGenerator::weighted(std::initializer_list<int> weights)
{
    int choice = below(100), index = 0;
    for (auto weight = weights.begin(); weight != weights.end() && choice >= *weight; ++weight)
        choice -= *weight, ++index;
    return index;
}

bool ReplyGenerator::big()
{
    if (m_bigLeft <= 0 || below(100) != 99)
        return false;
    return --m_bigLeft, true;
}

int ReplyGenerator::resultCode()
{
    const int codes[] = {0, -1, 401, 404, 500, 199, 201, INT_MIN, INT_MAX};
    return percent(72) ? 200 : percent(85) ? codes[below(9)] : int(any());
}

QString ReplyGenerator::login()
{
    return percent(3) ? text() : QString::fromUtf8(pick(kLogins));
}

QString ReplyGenerator::text()
{
    const int choice = below(countOf(kTexts) + 12);
    if (choice < countOf(kTexts))
        return kTexts[choice];
    if (choice == countOf(kTexts))
        return big() ? huge(percent(50)) : QStringLiteral("/no/such/") + QString::number(any());
    QString built; // characters of any kind, mostly printable
    for (int length = below(24); length > 0; --length)
        built.append(QChar(ushort(percent(80) ? 0x20 + below(95) : below(0x10000))));
    return built;
}

QVariant ReplyGenerator::scalar()
{
    const int choice = below(countOf(kScalars) + 12);
    if (choice < countOf(kScalars))
        return kScalars[choice];
    switch (choice - countOf(kScalars)) {
    case 0: // any double: NaN payloads, denormals
    {
        const quint64 bits = (quint64(any()) << 32) | any();
        double read;
        std::memcpy(&read, &bits, sizeof read);
        return read;
    }
    case 1:
        return qlonglong((quint64(any()) << 32) | any());
    case 2:
        return percent(50) ? QVariant(int(any())) : QVariant(any());
    case 3:
        return big() ? huge(false).toLatin1() : text().toUtf8();
    case 4:
        return QStringList(QStringList{text(), QStringLiteral("m1&Maya"), text()}.mid(below(3)));
    case 5:
        return QDateTime::fromMSecsSinceEpoch(qint64(any()) << 20);
    case 6:
        return QUrl(text());
    case 7:
        return QChar(ushort(below(0x10000)));
    case 8:
        return QBitArray(below(64), true);
    default:
        return text();
    }
}

// Any value, nested up to depth containers deep.
QVariant ReplyGenerator::value(int depth)
{
    if (depth <= 0 || percent(70))
        return scalar();
    QVariantList list;
    switch (below(5)) {
    case 0:
        for (int i = percent(90) ? below(5) : below(13); i > 0; --i)
            list.append(value(depth - 1));
        return list;
    case 1:
        return map(depth - 1);
    case 2:
        return QVariantHash{{QString::fromLatin1(pick(kKeys)), value(depth - 1)}};
    case 3:
        return QVariant::fromValue(QVector<QVariantMap>(below(4), map(depth - 1)));
    default:
        return QJsonObject::fromVariantMap(map(depth - 1));
    }
}

QVariantMap ReplyGenerator::map(int depth)
{
    QVariantMap built;
    for (int i = percent(90) ? below(5) : below(13); i > 0; --i)
        built.insert(percent(75) ? QString::fromLatin1(pick(kKeys)) : text(), value(depth));
    return built;
}

QVariant ReplyGenerator::usually(const QVariant& proper)
{
    return percent(55) ? proper : percent(50) ? QVariant(text()) : value();
}

QVariantMap ReplyGenerator::reply(ReplyKind kind)
{
    m_bigLeft = 2;
    if (kind == SignOutReply || percent(8))
        return percent(30) ? QVariantMap() : map(3);
    QVariantMap reply = percent(30) ? map(1) : QVariantMap(); // strangers among the keys
    auto maybe = [this](QVariantMap& into, int chance, const char* key, const QVariant& proper) {
        if (percent(chance))
            into.insert(QString::fromLatin1(key), usually(proper));
    };
    if (kind == SignInReply) {
        maybe(reply, 85, "loginname", login());
        maybe(reply, 80, "username", login() + " (user)");
        QVariantMap data = map(0);
        maybe(data, 80, "token", QStringLiteral("t0k3n"));
        maybe(reply, 80, "data", data);
    } else if (kind == PoolIdReply) {
        QVariantList pools; // now and then thousands
        const char* const ids[] = {"p1", "p2", "p3", ""};
        for (int count = big() ? 1000 + below(4000) : below(9); count > 0; --count) {
            QVariantMap pool = map(0);
            maybe(pool, 85, "pool_id", QString::fromLatin1(pick(ids)));
            maybe(pool, 85, "pool_name", QStringLiteral("Pool"));
            maybe(pool, 75, "pool_type", QVariantList{2, 1, "2", 2.9}.value(below(4)));
            pools.append(percent(90) ? QVariant(pool) : value(2));
        }
        const QVariant shapes[] = {pools, QVariant::fromValue(QVector<QVariantMap>(2)),
                                   QJsonArray{QJsonObject{{"pool_id", 1}}, "p2"}, value(2)};
        maybe(reply, 90, "data", shapes[weighted({80, 5, 5})]);
    } else {
        maybe(reply, 85, "ver", QStringLiteral("1.2.%1").arg(below(20)));
    }
    return reply;
}

QVariant ReplyGenerator::catalogue()
{
    if (percent(15))
        return value(2);
    const char* const ids[] = {"m1", "m2", "x1", "x2", "", "a/b", "&", "m1&again"};
    QStringList entries;
    for (int count = big() ? 1000 + below(3000) : below(7); count > 0; --count) {
        const int shape = below(8);
        entries << (shape == 0   ? QStringLiteral("no ampersand")
                    : shape == 1 ? text()
                                 : QString::fromLatin1(pick(ids)) + QLatin1Char('&') + text());
    }
    return entries;
}

QVariant ReplyGenerator::stored()
{
    const QVariant near[] = {true, false, "true", "false", "yes", 0,       1,         2,      7,
                             101,  -5,    "12",   "many",  30001, "45000", "45000.5", INT_MAX};
    return percent(40) ? value(2) : percent(60) ? near[below(17)] : QVariant(text());
}

void deliverReply(FakeCommunication& communication, ReplyKind kind, int code,
                  const QVariantMap& reply)
{
    if (kind == SignInReply)
        emit communication.SignInResponse(code, reply);
    else if (kind == PoolIdReply)
        emit communication.PoolIdResponse(code, reply);
    else if (kind == SignOutReply)
        emit communication.SignOutResponse(code, reply);
    else
        emit communication.LatestVersionResponse(code, reply);
}
