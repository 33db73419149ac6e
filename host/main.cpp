// The render farm client's host program: loads the configuration plugin
// through the plugin framework, brings up its component and opens the
// settings dialog.

#include "EKConfigurationInterface.h"
#include "client_host.h"
#include "services/communication_service.h"
#include "services/logger_service.h"
#include "services/settings_service.h"
#include "services/uiloader_service.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPixmap>
#include <QStackedWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
// The exit code of a start that would show the dialog on a machine without a
// display (the others are set where they arise: 1, 2 and 3).
constexpr int kExitNoDisplay = 4;

LoggerService* g_logger = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_logger)
        g_logger->write(type, context, message);
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// Why a folder cannot be made: what stands in the way on the way up to it.
QString whyNoFolder(const QString& folder)
{
    QFileInfo ancestor(QDir(folder).absolutePath());
    while (!ancestor.exists() && !ancestor.isRoot())
        ancestor.setFile(ancestor.absolutePath());
    if (!ancestor.isDir())
        return QStringLiteral("%1 is not a folder").arg(ancestor.filePath());
    if (!ancestor.isWritable())
        return QStringLiteral("%1 is not writable").arg(ancestor.filePath());
    return QStringLiteral("the system refused it");
}

// Renders every page of the dialog into folder, one PNG per page.
bool saveScreenshots(const ClientHost& host, const QString& folder)
{
    QWidget* dialog = host.uiLoader()->tree(QStringLiteral("com.ekr.configuration"));
    auto* pages =
        dialog ? dialog->findChild<QListWidget*>(QStringLiteral("lwtConfiguration")) : nullptr;
    auto* stack =
        dialog ? dialog->findChild<QStackedWidget*>(QStringLiteral("swtConfiguration")) : nullptr;
    if (!pages || !stack) {
        std::fprintf(stderr, "ekr_client: no dialog to take screenshots of\n");
        return false;
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "ekr_client: cannot create the screenshot folder %s: %s\n",
                     qPrintable(folder), qPrintable(whyNoFolder(folder)));
        return false;
    }
    const QString prefix = QStringLiteral("%1/%2-%3-")
                               .arg(QDir(folder).absolutePath(), host.uiLoader()->GetCurrentSkin(),
                                    host.uiLoader()->currentLanguage());
    // One picture, painted over for each page (the dialog fills its own
    // background, so each page covers the last): a new one for each would take
    // a window's size of memory each time, which the heap does not give back.
    QPixmap picture;
    for (int row = 0; row < pages->count(); ++row) {
        pages->setCurrentRow(row);
        QApplication::processEvents();
        QString page = stack->currentWidget()->objectName();
        page.remove(QStringLiteral("page"));
        const QString file = prefix + QStringLiteral("%1-%2.png").arg(row + 1).arg(page.toLower());
        if (picture.isNull())
            picture = dialog->grab();
        else
            dialog->render(&picture);
        if (!picture.save(file)) {
            std::fprintf(stderr, "ekr_client: cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("ekr_client: wrote %s\n", qPrintable(file));
    }
    return true;
}

// Where windows go through an X11 or Wayland server, Qt's default platform
// aborts the program when it finds no display. A start that shows no window
// (the pages rendered to files, the help or version text, options that will
// be refused) is given the offscreen platform before the application is made;
// one that would show the dialog returns false, to be refused with a
// sentence. A platform the user chose (QT_QPA_PLATFORM, or Qt's own -platform
// option) is left to Qt. Windows and macOS always have their display.
bool chooseHeadlessPlatform(QCommandLineParser& parser, const QStringList& arguments,
                            const QCommandLineOption& screenshotOption)
{
#if !defined(Q_OS_UNIX) || defined(Q_OS_DARWIN) || defined(Q_OS_ANDROID)
    return true;
#endif
    if (!qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        arguments.contains(QStringLiteral("-platform")) ||
        arguments.contains(QStringLiteral("--platform")))
        return true;
    const bool showsWindow = parser.parse(arguments) && !parser.isSet(screenshotOption) &&
                             !parser.isSet(QStringLiteral("help")) &&
                             !parser.isSet(QStringLiteral("help-all")) &&
                             !parser.isSet(QStringLiteral("version"));
    if (showsWindow)
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // The skins and languages are listed in the help text alone, and listing
    // them reads the resource folders: only a start that may show help (or
    // short options compacted with -h or -?) pays for it.
    const bool helpAsked =
        std::any_of(arguments.cbegin() + 1, arguments.cend(), [](const QString& a) {
            return a.startsWith(QLatin1String("--help")) ||
                   (a.startsWith(QLatin1Char('-')) && !a.startsWith(QLatin1String("--")) &&
                    (a.contains(QLatin1Char('h')) || a.contains(QLatin1Char('?'))));
        });
    const auto listed = [helpAsked](const QString& sentence, QStringList (*names)()) {
        return helpAsked ? sentence + QStringLiteral(": ") + names().join(QStringLiteral(", ")) +
                               QLatin1Char('.')
                         : sentence + QLatin1Char('.');
    };

    // The options are known before the application is made: whether a start
    // without a display can go on depends on them (chooseHeadlessPlatform).
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Render farm client"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption pluginOption(
        QStringLiteral("plugin-file"), QStringLiteral("Load the configuration plugin from <file>."),
        QStringLiteral("file"));
    const QCommandLineOption skinOption(
        QStringLiteral("skin"),
        listed(QStringLiteral("Dress the client in <skin>"), &UiLoaderService::availableSkins),
        QStringLiteral("skin"));
    const QCommandLineOption languageOption(
        QStringLiteral("language"),
        listed(QStringLiteral("Show the client in <code>"), &UiLoaderService::availableLanguages),
        QStringLiteral("code"));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Render every page of the settings dialog to PNG files in <folder> and "
                       "exit."),
        QStringLiteral("folder"));
    const QCommandLineOption profileOption(
        QStringLiteral("profile"),
        QStringLiteral("Answer as the farm described in the JSON <file> (accounts, pools, latest "
                       "version) instead of the built-in demo farm."),
        QStringLiteral("file"));
    const QCommandLineOption accountOption(
        QStringLiteral("account"),
        QStringLiteral("Sign in as <login> instead of the profile's default account."),
        QStringLiteral("login"));
    const QCommandLineOption finishOption(
        QStringLiteral("finish-demo"),
        QStringLiteral("Announce a finished render job shortly after start-up, to hear the "
                       "reminder (needs \"Sound after finish\" checked for the account)."));
    parser.addOptions({pluginOption, skinOption, languageOption, screenshotOption, profileOption,
                       accountOption, finishOption});

    if (!chooseHeadlessPlatform(parser, arguments, screenshotOption)) {
        std::fprintf(stderr, "ekr_client: there is no display to show the settings dialog on "
                             "(neither DISPLAY nor WAYLAND_DISPLAY is set); --screenshot <folder> "
                             "renders its pages to files without one\n");
        return kExitNoDisplay;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ekr_client"));
    QApplication::setApplicationVersion(QStringLiteral("0.9.0"));
    // Desktops match the client's windows to its desktop entry, and so to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ekr_client"));
    parser.process(app);
    const QString pluginPath =
        parser.isSet(pluginOption) ? parser.value(pluginOption) : ClientHost::defaultPluginPath();

    int exitCode = 0;
    {
        ClientHost host;
        QString error;
        g_logger = host.logger();
        g_previousHandler = qInstallMessageHandler(messageHandler);
        // A first start writes the demo catalogue, and its sign-in the
        // account's defaults, before the dialog shows them. They wait in memory
        // and are saved together once it does: every save waits for the disk.
        host.settings()->holdSaving();
        // A start that only takes pictures ends moments later: it merges other
        // clients' changes to the settings as it saves, and does not watch the
        // file for them, as a watch makes the process wait as it ends.
        host.settings()->setWatching(!parser.isSet(screenshotOption));

        CommunicationService* farm = host.communication();
        if (parser.isSet(profileOption) &&
            !farm->loadProfile(parser.value(profileOption), &error)) {
            std::fprintf(stderr, "ekr_client: %s\n", qPrintable(error));
            exitCode = 2;
        } else if (parser.isSet(accountOption) &&
                   !farm->accountNames().contains(parser.value(accountOption))) {
            const QString profile =
                parser.isSet(profileOption)
                    ? QStringLiteral("the farm profile ") + parser.value(profileOption)
                    : QStringLiteral("the built-in farm profile");
            std::fprintf(stderr, "ekr_client: %s has no account \"%s\"; its accounts: %s\n",
                         qPrintable(profile), qPrintable(parser.value(accountOption)),
                         qPrintable(farm->accountNames().join(QStringLiteral(", "))));
            exitCode = 2;
        }
        // Skin and language are chosen before the dialog is built, so that it
        // comes up dressed and worded as asked.
        if (parser.isSet(skinOption) && !host.uiLoader()->setSkin(parser.value(skinOption))) {
            std::fprintf(stderr, "ekr_client: no skin \"%s\"; the skins: %s\n",
                         qPrintable(parser.value(skinOption)),
                         qPrintable(UiLoaderService::availableSkins().join(", ")));
            exitCode = 2;
        }
        if (parser.isSet(languageOption) &&
            !host.uiLoader()->setLanguage(parser.value(languageOption))) {
            std::fprintf(stderr, "ekr_client: no language \"%s\"; the languages: %s\n",
                         qPrintable(parser.value(languageOption)),
                         qPrintable(UiLoaderService::availableLanguages().join(", ")));
            exitCode = 2;
        }

        if (exitCode != 0) {
            // A wrong option: nothing is started.
        } else if (!host.start(pluginPath, &error)) {
            std::fprintf(stderr, "ekr_client: %s\n", qPrintable(error));
            exitCode = 1;
        } else {
            std::printf("ekr_client: configuration plugin started; log in %s\n",
                        qPrintable(host.logger()->filePath()));
            // The client signs in as soon as it runs; the dialog follows the
            // account as the replies come in.
            farm->signIn(parser.isSet(accountOption) ? parser.value(accountOption)
                                                     : farm->defaultAccount());
            host.configuration()->ShowConf();
            if (parser.isSet(finishOption)) {
                EKConfigurationInterface* configuration = host.configuration();
                QTimer::singleShot(1000, configuration, [configuration]() {
                    std::printf("ekr_client: announcing a finished job\n");
                    configuration->Finish(QStringLiteral("demo-scene.max"));
                });
            }
            if (parser.isSet(screenshotOption)) {
                // The pictures are what this start is for; the writes are
                // saved after them, as the client stops.
                host.settle();
                exitCode = saveScreenshots(host, parser.value(screenshotOption)) ? 0 : 1;
            } else {
                // Once the farm has answered, the dialog shows the account.
                QObject::connect(farm, &CommunicationService::repliesDelivered, host.settings(),
                                 &SettingsService::releaseSaving);
                exitCode = app.exec();
            }
        }
        host.shutdown();
        if (host.settings()->hasUnsavedChanges()) {
            // The log names the file, the reason and the keys that were lost.
            std::fprintf(stderr, "ekr_client: settings changes could not be saved; see %s\n",
                         qPrintable(host.logger()->filePath()));
            if (exitCode == 0)
                exitCode = 3;
        }
        qInstallMessageHandler(g_previousHandler);
        g_logger = nullptr;
    }
    return exitCode;
}
