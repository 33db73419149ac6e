#include "communication_service.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcCommunication, "ekr.host.communication")

namespace {
const int kOk = 200;
const int kUnauthorized = 401;

QVariantMap Refusal(const QString& why)
{
    return QVariantMap{{QStringLiteral("message"), why}};
}
} // namespace

CommunicationService::CommunicationService(QObject* parent)
{
    setParent(parent);
    QString error;
    loadProfile(QString(), &error);
}

CommunicationService::~CommunicationService() = default;

bool CommunicationService::loadProfile(const QString& path, QString* error)
{
    const QString source = path.isEmpty() ? QStringLiteral(":/demo/farm_profile.json") : path;
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("cannot read the farm profile %1: %2").arg(source, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("the farm profile %1 is not valid JSON: %2 at byte %3")
                     .arg(source, parseError.errorString())
                     .arg(parseError.offset);
        return false;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("the farm profile %1 holds %2, not a JSON object with the "
                                "accounts and the latest version")
                     .arg(source, document.isArray() ? QStringLiteral("an array")
                                                     : QStringLiteral("no value"));
        return false;
    }
    const QJsonObject profile = document.object();
    QList<Account> accounts;
    const QJsonArray entries = profile.value(QStringLiteral("accounts")).toArray();
    for (const QJsonValue& entry : entries) {
        const QJsonObject object = entry.toObject();
        Account account{object.value(QStringLiteral("loginName")).toString(),
                        object.value(QStringLiteral("userName")).toString(),
                        object.value(QStringLiteral("token")).toString(),
                        {}};
        if (account.loginName.isEmpty())
            continue;
        const QJsonArray pools = object.value(QStringLiteral("pools")).toArray();
        for (const QJsonValue& pool : pools) {
            const QJsonObject p = pool.toObject();
            account.pools.append(QVariantMap{
                {QStringLiteral("pool_id"), p.value(QStringLiteral("id")).toVariant()},
                {QStringLiteral("pool_name"), p.value(QStringLiteral("name")).toString()},
                {QStringLiteral("pool_type"), p.value(QStringLiteral("type")).toInt()}});
        }
        accounts.append(account);
    }
    m_accounts = accounts;
    m_latestVersion = profile.value(QStringLiteral("latestVersion")).toString();
    m_defaultAccount = profile.value(QStringLiteral("defaultAccount")).toString();
    if (m_defaultAccount.isEmpty() && !m_accounts.isEmpty())
        m_defaultAccount = m_accounts.first().loginName;
    return true;
}

QStringList CommunicationService::accountNames() const
{
    QStringList names;
    for (const Account& account : m_accounts)
        names << account.loginName;
    return names;
}

const CommunicationService::Account*
CommunicationService::findAccount(const QString& loginName) const
{
    for (const Account& account : m_accounts) {
        if (account.loginName == loginName)
            return &account;
    }
    return nullptr;
}

void CommunicationService::reply(void (CommunicationService::*signal)(int, QVariantMap), int result,
                                 const QVariantMap& data)
{
    ++m_nPending;
    QTimer::singleShot(0, this, [this, signal, result, data]() {
        --m_nPending;
        emit(this->*signal)(result, data);
        if (m_nPending == 0)
            emit repliesDelivered();
    });
}

void CommunicationService::signIn(const QString& loginName)
{
    const Account* account = findAccount(loginName);
    if (!account) {
        qCWarning(lcCommunication).noquote() << "Sign-in refused: no account" << loginName;
        reply(&CommunicationService::SignInResponse, kUnauthorized,
              Refusal(QStringLiteral("unknown account")));
        return;
    }
    qCInfo(lcCommunication).noquote() << "Signing in" << loginName;
    reply(&CommunicationService::SignInResponse, kOk,
          QVariantMap{
              {QStringLiteral("loginname"), account->loginName},
              {QStringLiteral("username"), account->userName},
              {QStringLiteral("data"), QVariantMap{{QStringLiteral("token"), account->token}}}});
}

void CommunicationService::signOut()
{
    reply(&CommunicationService::SignOutResponse, kOk, QVariantMap());
}

int CommunicationService::RequestPoolId(const QVariant& handle, const QVariantHash& data)
{
    if (Query(handle) != 0)
        return -4;
    const QString userName = data.value(QStringLiteral("username")).toString();
    const QString token = data.value(QStringLiteral("token")).toString();
    for (const Account& account : qAsConst(m_accounts)) {
        if (account.userName == userName && account.token == token) {
            reply(&CommunicationService::PoolIdResponse, kOk,
                  QVariantMap{{QStringLiteral("data"), account.pools}});
            return 0;
        }
    }
    qCWarning(lcCommunication).noquote() << "Pool request refused for" << userName;
    reply(&CommunicationService::PoolIdResponse, kUnauthorized,
          Refusal(QStringLiteral("unknown user or token")));
    return 0;
}

int CommunicationService::RequestLatestVersion(const QVariant& handle, const QVariantHash& data)
{
    if (Query(handle) != 0)
        return -4;
    qCDebug(lcCommunication).noquote()
        << "Latest-version request for" << data.value(QStringLiteral("sid")).toString();
    reply(&CommunicationService::LatestVersionResponse, kOk,
          QVariantMap{{QStringLiteral("ver"), m_latestVersion}});
    return 0;
}
