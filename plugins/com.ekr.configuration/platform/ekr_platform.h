#ifndef EKR_PLATFORM_H
#define EKR_PLATFORM_H

// What the component needs of the operating system, with one implementation
// for Windows and one for other systems.

#include <QFile>
#include <QSettings>
#include <QString>

#include <memory>

namespace ekr {
namespace platform {
// The file name of a program: "<base>.exe" on Windows, "<base>" elsewhere.
QString ExecutableFileName(const QString& baseName);

// True when the system's own processor architecture is x86-64, whatever
// this process was built for.
bool Is64BitSystem();

// A registry key by its full path, e.g.
// "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall".
// On Windows the registry itself. Elsewhere the same paths live in INI files:
// the path with "/" for "\" names the file "<root>/<path>.ini", whose groups
// are the subkeys; <root> is $EKR_REGISTRY_ROOT, else "ekr/registry" in the
// generic configuration folder.
std::unique_ptr<QSettings> OpenRegistryKey(const QString& path);

// Starting the client with the system. On Windows the value
// "quillmoor_client" under the machine's Run key; elsewhere the desktop's
// autostart entry "quillmoor_client.desktop". program is the quoted path of
// the executable.
bool HasAutoStartEntry();
void AddAutoStartEntry(const QString& quotedProgram);
void RemoveAutoStartEntry();

// Opens file for reading only when its name leads to a regular file, judged
// on what was opened, not on a look beforehand: a pipe or a device put there
// would block the reader or never end. False, with file left closed, for
// anything else. Opened from a descriptor, file no longer reports its name.
bool OpenRegularFile(QFile& file);

// The client's updater in the application folder.
QString UpdaterProgram(const QString& applicationDir);
} // namespace platform
} // namespace ekr

#endif
