#include "filewatcher_service.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcFileWatcher, "ekr.host.filewatcher")

FileWatcherService::FileWatcherService(QObject* parent)
{
    setParent(parent);
}

FileWatcherService::~FileWatcherService() = default;

int FileWatcherService::SetWatchPaths(const QStringList& paths)
{
    m_paths = paths;
    return 0;
}

int FileWatcherService::RestartWatching()
{
    if (!isRunning())
        return -3;
    arm();
    return 0;
}

int FileWatcherService::onStart()
{
    arm();
    return 0;
}

void FileWatcherService::onStop()
{
    const QStringList watched = watchedNow();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
}

void FileWatcherService::arm()
{
    onStop();
    for (const QString& path : qAsConst(m_paths)) {
        if (!QFileInfo(path).isDir()) {
            qCWarning(lcFileWatcher).noquote() << "Not watching" << path << "- no such folder";
            continue;
        }
        if (!m_watcher) {
            m_watcher.reset(new QFileSystemWatcher);
            connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this,
                    &FileWatcherService::FolderChanged);
        }
        m_watcher->addPath(path);
    }
}
