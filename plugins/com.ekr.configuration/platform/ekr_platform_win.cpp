// Windows: the registry through Qt's native settings format, and the
// system's own idea of its processor.

#include "ekr_platform.h"

#include <QFileInfo>

#include <windows.h>

namespace ekr {
namespace platform {
namespace {
const char* const kRunKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValue = "quillmoor_client";
} // namespace

QString ExecutableFileName(const QString& baseName)
{
    return baseName + QStringLiteral(".exe");
}

bool Is64BitSystem()
{
    // GetNativeSystemInfo tells the truth to a 32-bit process on a 64-bit
    // system; it is looked up because older systems lack it. The address is
    // cast through void (*)(), the type that stands for any function, so that
    // the compiler does not take the cast for a mistake (-Wcast-function-type).
    typedef void(WINAPI * NativeSystemInfo)(LPSYSTEM_INFO);
    SYSTEM_INFO info;
    const auto native = reinterpret_cast<NativeSystemInfo>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo")));
    if (native)
        native(&info);
    else
        GetSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

std::unique_ptr<QSettings> OpenRegistryKey(const QString& path)
{
    return std::make_unique<QSettings>(path, QSettings::NativeFormat);
}

bool HasAutoStartEntry()
{
    return OpenRegistryKey(QString::fromLatin1(kRunKey))->contains(QString::fromLatin1(kRunValue));
}

void AddAutoStartEntry(const QString& quotedProgram)
{
    OpenRegistryKey(QString::fromLatin1(kRunKey))
        ->setValue(QString::fromLatin1(kRunValue), quotedProgram);
}

void RemoveAutoStartEntry()
{
    OpenRegistryKey(QString::fromLatin1(kRunKey))->remove(QString::fromLatin1(kRunValue));
}

bool OpenRegularFile(QFile& file)
{
    // Folders and device names are refused by a look first; the name does
    // not change between the look and the open in normal use.
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

QString UpdaterProgram(const QString& applicationDir)
{
    // The trailing blank is part of the program text the updater has always
    // been started with.
    return QStringLiteral("%1/ekr_updater.exe ").arg(applicationDir);
}
} // namespace platform
} // namespace ekr
