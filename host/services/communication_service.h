#ifndef EKR_COMMUNICATION_SERVICE_H
#define EKR_COMMUNICATION_SERVICE_H

#include "EKCommunicationInterface.h"
#include "host_service.h"

#include <QList>
#include <QStringList>

// Stands in for the render farm's server, driven by a farm profile: a JSON
// file with the accounts (login name, user name, token and node pools) and
// the latest client version. Replies always arrive later, from the event
// loop, never inside the call that asked.
class CommunicationService : public HostService<EKCommunicationInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKCommunicationInterface)

public:
    explicit CommunicationService(QObject* parent = nullptr);
    ~CommunicationService() override;

    // An empty path loads the profile built into the client. On a file that
    // cannot be read the current profile stays and error says why.
    bool loadProfile(const QString& path, QString* error);
    QString defaultAccount() const { return m_defaultAccount; }
    QString latestVersion() const { return m_latestVersion; }
    // The login names that the profile in force knows.
    QStringList accountNames() const;

    // What other parts of the client ask: the replies come as SignInResponse
    // and SignOutResponse (200, or 401 for an unknown account).
    void signIn(const QString& loginName);
    void signOut();

    int RequestPoolId(const QVariant& handle, const QVariantHash& data) override;
    int RequestLatestVersion(const QVariant& handle, const QVariantHash& data) override;

    // Replies queued and not yet delivered.
    int pendingReplies() const { return m_nPending; }

signals:
    // A reply was delivered and none is pending: whatever asked has its
    // answers, and whatever those answers asked for in turn.
    void repliesDelivered();

private:
    struct Account
    {
        QString loginName;
        QString userName;
        QString token;
        QVariantList pools;
    };

    const Account* findAccount(const QString& loginName) const;
    void reply(void (CommunicationService::*signal)(int, QVariantMap), int result,
               const QVariantMap& data);

    QList<Account> m_accounts;
    QString m_defaultAccount;
    QString m_latestVersion;
    int m_nPending = 0;
};

#endif
