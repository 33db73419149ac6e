#pragma once

#include <QSettings>
#include <QSysInfo>

// The emulated uninstall key the plugin reads the installed version from, in
// the test's own registry root: subkey name -> DisplayVersion (an invalid
// value leaves DisplayVersion out).
inline void writeUninstallKey(const QList<QPair<QString, QVariant>>& subkeys)
{
    const bool wow64 = QSysInfo::currentCpuArchitecture() == QLatin1String("x86_64");
    const QString file = qEnvironmentVariable("EKR_REGISTRY_ROOT") +
                         "/HKEY_LOCAL_MACHINE/SOFTWARE/" + (wow64 ? "Wow6432Node/" : "") +
                         "Microsoft/Windows/CurrentVersion/Uninstall.ini";
    QFile::remove(file);
    QSettings key(file, QSettings::IniFormat);
    for (const auto& subkey : subkeys) {
        key.setValue(subkey.first + "/DisplayName", "test");
        if (subkey.second.isValid())
            key.setValue(subkey.first + "/DisplayVersion", subkey.second);
    }
}

inline const QString kProductId = QStringLiteral("{5C1E0B7D-2A94-4F63-8D0E-B3A7196F42C8}");
