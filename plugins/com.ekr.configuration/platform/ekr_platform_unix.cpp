// Linux and other Unix systems: the registry's key paths emulated by INI
// files, and the desktop's autostart folder for starting with the system.

#include "ekr_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

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
    return QFileInfo::exists(AutoStartPath());
}

void AddAutoStartEntry(const QString& quotedProgram)
{
    const QString path = AutoStartPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile entry(path);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return; // as with the registry: not being allowed to write is not reported
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=EKR Render Farm\n"
                                        "Comment=Render farm client\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(DesktopExec(quotedProgram));
    entry.write(text.toUtf8());
}

void RemoveAutoStartEntry()
{
    QFile::remove(AutoStartPath());
}

QString UpdaterProgram(const QString& applicationDir)
{
    return QStringLiteral("%1/ekr_updater").arg(applicationDir);
}
} // namespace platform
} // namespace ekr
