#ifndef EKR_LOGGER_SERVICE_H
#define EKR_LOGGER_SERVICE_H

#include "EKLoggerInterface.h"
#include "host_service.h"

#include <QFile>
#include <QMutex>
#include <QObject>

// The logger interface has no QObject part, and a QObject answers inherits()
// only for its own class, the bases that moc sees listed and its interface
// ids. Here EKLoggerInterface is listed by name, as the QObject-based
// interfaces of the other services are, so that the logger answers the name
// it is registered under (stock CTK registers nothing that does not).
class LoggerObject : public QObject, public EKLoggerInterface
{
    Q_OBJECT
    Q_INTERFACES(EKLoggerInterface)
};

// Writes the client's log file. The client program routes Qt's message
// handler here, so every plugin's diagnostic lines land in the same file.
class LoggerService : public HostService<LoggerObject>
{
    Q_OBJECT

public:
    // An empty path means the default: "ekr_client.log" in the client's
    // data folder.
    explicit LoggerService(const QString& filePath = QString(), QObject* parent = nullptr);
    ~LoggerService() override;

    QString filePath() const { return m_filePath; }
    // Appends one line; thread-safe, and a no-op while the log is closed.
    void write(QtMsgType type, const QMessageLogContext& context, const QString& message);

protected:
    int onInitialize() override;
    void onUninitialize() override;

private:
    QString m_filePath;
    QFile m_file;
    QMutex m_mutex;
};

#endif
