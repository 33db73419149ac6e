// Linux and other Unix systems: the registry's key paths emulated by INI
// files, and the desktop's autostart folder for starting with the system.

#include "ekr_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ekr {
namespace platform {
namespace {
const char* const kAutoStartFile = "quillmoor_client.desktop";

QString RegistryRoot()
{
    const QString root = qEnvironmentVariable("EKR_REGISTRY_ROOT");
    if (!root.isEmpty())
        return root;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ekr/registry");
}

QString AutoStartPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QLatin1String(kAutoStartFile);
}

// A desktop file's Exec line: the quoted program with the characters that
// are special inside quotes escaped, then the desktop file's own escapes.
QString DesktopExec(const QString& quotedProgram)
{
    QString program = quotedProgram;
    if (program.size() >= 2 && program.startsWith(QLatin1Char('"')) &&
        program.endsWith(QLatin1Char('"')))
        program = program.mid(1, program.size() - 2);
    QString quoted;
    for (const QChar c : qAsConst(program)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
} // namespace

QString ExecutableFileName(const QString& baseName)
{
    return baseName;
}

bool Is64BitSystem()
{
    return QSysInfo::currentCpuArchitecture() == QLatin1String("x86_64");
}

std::unique_ptr<QSettings> OpenRegistryKey(const QString& path)
{
    // A key path names keys, never folders outside the registry root: empty,
    // "." and ".." parts are dropped.
    QStringList parts;
    const QStringList given = QString(path)
                                  .replace(QLatin1Char('\\'), QLatin1Char('/'))
                                  .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : given) {
        if (part != QLatin1String(".") && part != QLatin1String(".."))
            parts << part;
    }
    const QString file =
        RegistryRoot() + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QStringLiteral(".ini");
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

bool HasAutoStartEntry()
{
    // Whatever stands there counts, a link to nowhere included: it is the
    // user's, and nothing is written through it.
    struct stat info;
    return ::lstat(QFile::encodeName(AutoStartPath()).constData(), &info) == 0;
}

void AddAutoStartEntry(const QString& quotedProgram)
{
    // Written in full beside the entry, then given the entry's name by a hard
    // link, which fails when anything stands there: a desktop never reads half
    // an entry, and a link put in its place is never followed.
    const QString path = AutoStartPath();
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    QTemporaryFile entry(folder + QStringLiteral("/.") + QLatin1String(kAutoStartFile) +
                         QStringLiteral(".XXXXXX"));
    if (!entry.open())
        return; // as with the registry: not being allowed to write is not reported
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=EKR Render Farm\n"
                                        "Comment=Render farm client\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(DesktopExec(quotedProgram));
    const QByteArray bytes = text.toUtf8();
    if (entry.write(bytes) != bytes.size() || !entry.flush() || ::fsync(entry.handle()) != 0)
        return;
    ::link(QFile::encodeName(entry.fileName()).constData(), QFile::encodeName(path).constData());
    // The temporary name is unlinked when entry goes.
}

void RemoveAutoStartEntry()
{
    // The entry itself, never what a link points to; a folder only when empty.
    const QByteArray path = QFile::encodeName(AutoStartPath());
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode))
        ::rmdir(path.constData());
    else
        ::unlink(path.constData());
}

bool OpenRegularFile(QFile& file)
{
    // Opened without waiting, so that a pipe cannot block the open (nor a
    // signal interrupt it), then judged by what was opened; a failed open's
    // -1 fails fstat as well. O_NONBLOCK may stay: a regular file's reads
    // never wait.
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                         file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (!regular)
        ::close(fd);
    return regular;
}

QString UpdaterProgram(const QString& applicationDir)
{
    return QStringLiteral("%1/ekr_updater").arg(applicationDir);
}
} // namespace platform
} // namespace ekr
