#include "logger_service.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStandardPaths>

#include <cstdio>

namespace {
const char* levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "unknown";
}
} // namespace

LoggerService::LoggerService(const QString& filePath, QObject* parent) : m_filePath(filePath)
{
    setParent(parent);
    if (m_filePath.isEmpty())
        m_filePath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                     QStringLiteral("/ekr_client.log");
    m_file.setFileName(m_filePath);
}

LoggerService::~LoggerService()
{
    QMutexLocker lock(&m_mutex);
    m_file.close();
}

int LoggerService::onInitialize()
{
    QMutexLocker lock(&m_mutex);
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        // Logging must never stop the client: report once on stderr and run
        // without a file.
        std::fprintf(stderr, "ekr_client: cannot open log file %s: %s\n", qPrintable(m_filePath),
                     qPrintable(m_file.errorString()));
    }
    return 0;
}

void LoggerService::onUninitialize()
{
    QMutexLocker lock(&m_mutex);
    m_file.close();
}

void LoggerService::write(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    QMutexLocker lock(&m_mutex);
    if (!m_file.isOpen())
        return;
    const QString line =
        QStringLiteral("%1 [%2] %3: %4\n")
            .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                 QString::fromLatin1(levelName(type)),
                 QString::fromLatin1(context.category ? context.category : "default"), message);
    m_file.write(line.toUtf8());
    m_file.flush();
}
