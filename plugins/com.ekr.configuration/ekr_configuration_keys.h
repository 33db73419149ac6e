#ifndef EKR_CONFIGURATION_KEYS_H
#define EKR_CONFIGURATION_KEYS_H

// The settings keys the component reads and writes, in one place. Account
// keys carry the login name of the last successful sign-in in place of %1;
// every key is formed anew at each use with one QString::arg.

#include <QString>

namespace ekr {
namespace keys {
// Keys bound to a widget of the dialog.
constexpr const char* RenderOutput = "ekr.account.%1/renderoutput";
constexpr const char* MonitorPath = "ekr.account.%1/monitorpath";
constexpr const char* PoolId = "ekr.account.%1/poolid";
constexpr const char* AutoLogin = "ekr.account.%1/autologin";
constexpr const char* AutoDownload = "ekr.account.%1/autodownload";
constexpr const char* SoundFinish = "ekr.account.%1/soundfinish";
constexpr const char* PopupFinish = "ekr.account.%1/popupfinish";
constexpr const char* AutoUpdate = "ekr.account.%1/autoupdate";
constexpr const char* Prerender = "ekr.account.%1/prerender";
constexpr const char* InterruptSubmit = "ekr.account.%1/interruptsubmit";
constexpr const char* SetArgument = "ekr.account.%1/setargument";
constexpr const char* SubTask = "ekr.account.%1/subtask";
constexpr const char* AutoStart = "ekr.general/autostart";
constexpr const char* RenderLayer = "ekr.general/renderlayer";
constexpr const char* UploadFailedFiles = "ekr.general/uploadfailedfilesautomatically";
constexpr const char* SceneFileOnly = "ekr.general/scenefileonly";
constexpr const char* TransferType = "ekr.web/transfertype";

// Account keys without a widget of their own.
constexpr const char* CheckInterval = "ekr.account.%1/checkinterval";
constexpr const char* DefaultMax = "ekr.account.%1/defaultmax";
constexpr const char* DefaultMaya = "ekr.account.%1/defaultmaya";

// The render software catalogue, written by other parts of the client.
constexpr const char* Rendering = "ekr.rendering";
constexpr const char* RenderingVersions = "ekr.rendering/%1"; // %1: software name
constexpr const char* InstallLocation = "%1/installlocation"; // %1: version id
constexpr const char* Analyzer = "%1/analyzer";               // %1: software name

// The key itself, with its one substitute put in (account keys: the login
// name). Nothing is escaped: a "/" in the substitute makes the group deeper.
inline QString Form(const char* pattern, const QString& substitute)
{
    const QString key = QString::fromLatin1(pattern);
    return key.contains(QLatin1String("%1")) ? key.arg(substitute) : key;
}
} // namespace keys

// How a stored value and a widget of the dialog meet.
enum class Binding
{
    Path,       // QLineEdit text, a folder: loaded as is, applied trimmed and only when not empty
    Check,      // QCheckBox, stored as bool
    Number,     // QSpinBox, stored as int
    ItemText,   // QComboBox item chosen by its user data as text
    ItemNumber, // QComboBox item chosen by its user data as a number
};

// The widget-bound settings, as indices into the component's binding table.
enum class Setting
{
    RenderOutput,
    MonitorPath,
    PoolId,
    TransferType,
    AutoLogin,
    AutoDownload,
    SoundFinish,
    PopupFinish,
    AutoUpdate,
    Prerender,
    InterruptSubmit,
    SetArgument,
    SubTask,
    AutoStart,
    RenderLayer,
    UploadFailedFiles,
    SceneFileOnly,
    Count
};
} // namespace ekr

#endif
