#include "test_environment.h"

#include <QDir>
#include <QFile>

HermeticEnvironment::HermeticEnvironment()
{
    const QString root = m_root.path();
    const struct
    {
        const char* variable;
        const char* folder;
    } folders[] = {{"HOME", "home"},
                   {"XDG_CONFIG_HOME", "config"},
                   {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"},
                   {"XDG_RUNTIME_DIR", "runtime"},
                   {"EKR_REGISTRY_ROOT", "registry"}};
    for (const auto& folder : folders) {
        const QString path = root + QLatin1Char('/') + QLatin1String(folder.folder);
        QDir().mkpath(path);
        qputenv(folder.variable, QFile::encodeName(path));
    }
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("QT_QPA_PLATFORM", "offscreen");
}
