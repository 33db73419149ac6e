#include "reply_generator.h"

#include "fake_services.h"

#include <QBitArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>
#include <QtNumeric>

#include <climits>
#include <cstring>

const char* const kReplyKindNames[ReplyKindCount] = {"SignInResponse", "PoolIdResponse",
                                                     "SignOutResponse", "LatestVersionResponse"};

namespace {
// Keys the handlers look for and near misses, account names ("ann" is the stored one), texts,
// values of every type, and a megabyte dense with separators, NULs, surrogates and marks.
// clang-format off
const char* const kKeys[] = {"loginname", "username", "data", "token", "pool_id", "pool_name",
                             "pool_type", "ver", "LoginName", "data ", "", "code", "msg"};
const char* const kLogins[] = {"ann", "ann", "ann", "bo", "", "a/b", "ann/", " ann", "%1", "&"};
const QString kTexts[] = {QString(), "", " ", "0", "-1", "30001", "1e309", "nan", " 7 ", "true",
    "2147483648", "1.2.3", "1.10.0", "1..2", "1.0.0.0.0.0.0.1", "&", "a&b&c", "m1&Maya", "/",
    "../..", QString::fromUtf8("\xe5\x90\x8d\xe5\x89\x8d \xe2\x80\xae \xf0\x9f\x98\x80"),
    QChar(0xD800) + QStringLiteral("x\0y") + QChar(0xDFFF), QString(10000, 'w')};
const QVariant kScalars[] = {QVariant(), QVariant(QMetaType::QString, nullptr),
    QVariant(QMetaType::Int, nullptr), 0, 1, -1, 7, 30001, INT_MIN, INT_MAX, ULLONG_MAX, -0.0,
    30000.5, 1e308, qQNaN(), -qInf(), true, false, QByteArray(), QByteArray("\xff\xfe\x00\x80", 4),
    QByteArray("2"), QDateTime(), QJsonObject{{"token", "json"}, {"pool_id", 3}},
    QJsonArray{1, "two", QJsonObject{}}, QJsonValue(), QVariant::fromValue(QList<int>{2, INT_MIN}),
    QVariant::fromValue(QMap<QString, QString>{{"pool_id", "p2"}})};
const int kTextCount = int(std::size(kTexts)), kScalarCount = int(std::size(kScalars));
const ushort kPiece[] = {'&', '/', 0x540D, 0x202E, 0, 0xD800, 0xDFFF, 0xFFFF, 0x0301, 'x'};
const QString kHuge = QString(reinterpret_cast<const QChar*>(kPiece), 10).repeated(104858);
// clang-format on
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
    return m_bigLeft > 0 && below(100) == 99 && m_bigLeft--;
}

int ReplyGenerator::resultCode()
{
    const int codes[] = {0, -1, 401, 500, 201, INT_MIN};
    return percent(72) ? 200 : percent(85) ? codes[below(6)] : int(any());
}

QString ReplyGenerator::login()
{
    return percent(3) ? text() : QString::fromUtf8(pick(kLogins));
}

QString ReplyGenerator::text()
{
    const int choice = below(kTextCount + 10);
    if (choice < kTextCount)
        return kTexts[choice];
    if (choice == kTextCount)
        return big() ? kHuge : QStringLiteral("/no/such/") + QString::number(any());
    QString built; // characters of any kind, mostly printable
    for (int length = below(24); length > 0; --length)
        built.append(QChar(ushort(percent(80) ? 0x20 + below(95) : below(0x10000))));
    return built;
}

QVariant ReplyGenerator::scalar()
{
    const int choice = below(kScalarCount + 8);
    if (choice < kScalarCount)
        return kScalars[choice];
    const quint64 bits = (quint64(any()) << 32) | any();
    double read; // any double: NaN payloads, denormals
    std::memcpy(&read, &bits, sizeof read);
    const QVariant list(QStringList{text(), QStringLiteral("m1&Maya"), text()}.mid(below(3)));
    // clang-format off
    const QVariant drawn[] = {read, qlonglong(bits), QDateTime::fromMSecsSinceEpoch(qint64(bits)),
        QBitArray(below(64), true), text().toUtf8(), list, QUrl(text()), text()};
    // clang-format on
    return drawn[choice - kScalarCount];
}

// Any value, nested up to depth containers deep.
QVariant ReplyGenerator::value(int depth)
{
    if (depth <= 0 || percent(70))
        return scalar();
    const int shape = below(4);
    if (shape == 1)
        return map(depth - 1);
    if (shape == 2)
        return QJsonObject::fromVariantMap(map(depth - 1));
    QVariantList list; // a list, or a hash holding one
    for (int i = percent(90) ? below(5) : below(13); i > 0; --i)
        list.append(value(depth - 1));
    return shape == 0 ? QVariant(list) : QVariantHash{{QString::fromLatin1(pick(kKeys)), list}};
}

QVariantMap ReplyGenerator::map(int depth)
{
    QVariantMap built;
    for (int i = percent(90) ? below(5) : below(13); i > 0; --i)
        built.insert(percent(75) ? QString::fromLatin1(pick(kKeys)) : text(), value(depth));
    return built;
}

QVariantMap ReplyGenerator::reply(ReplyKind kind)
{
    m_bigLeft = 2;
    if (kind == SignOutReply || percent(8))
        return percent(30) ? QVariantMap() : map(3);
    QVariantMap reply = percent(30) ? map(1) : QVariantMap(); // strangers among the keys
    auto maybe = [this](QVariantMap& into, int chance, const char* key, const QVariant& proper) {
        if (percent(chance))
            into.insert(QString::fromLatin1(key), // the proper value, else anything
                        percent(55)   ? proper
                        : percent(50) ? QVariant(text())
                                      : value());
    };
    if (kind == SignInReply) {
        maybe(reply, 85, "loginname", login());
        maybe(reply, 80, "username", login() + " (user)");
        QVariantMap data = map(0);
        maybe(data, 80, "token", QStringLiteral("t0k3n"));
        maybe(reply, 80, "data", data);
    } else if (kind == PoolIdReply) {
        QVariantList pools; // now and then thousands
        for (int count = big() ? 1000 + below(4000) : below(9); count > 0; --count) {
            QVariantMap pool = map(0);
            maybe(pool, 85, "pool_id", QStringLiteral("p%1").arg(below(4)));
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
    for (int count = big() ? 1000 + below(3000) : below(7); count > 0; --count)
        entries << (percent(25) ? text() : QString::fromLatin1(pick(ids)) + '&' + text());
    return entries;
}

QVariant ReplyGenerator::stored()
{
    const QVariant near[] = {true, 0, 1, 2, 101, -5, "true", "yes", "12", "many", "45000.5"};
    return percent(40) ? value(2) : percent(60) ? near[below(11)] : QVariant(text());
}

void deliverReply(FakeCommunication& communication, ReplyKind kind, int code,
                  const QVariantMap& reply)
{
    QMetaObject::invokeMethod(&communication, kReplyKindNames[kind], Q_ARG(int, code),
                              Q_ARG(QVariantMap, reply));
}
