// The render farm client's host program: loads the configuration plugin
// through the plugin framework, brings up its component and opens the
// settings dialog.

#include "EKConfigurationInterface.h"
#include "client_host.h"
#include "services/communication_service.h"
#include "services/logger_service.h"
#include "services/uiloader_service.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QListWidget>
#include <QStackedWidget>
#include <QTimer>

#include <cstdio>

namespace {
LoggerService* g_logger = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_logger)
        g_logger->write(type, context, message);
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// Renders every page of the dialog into folder, one PNG per page.
bool saveScreenshots(const ClientHost& host, const QString& folder)
{
    QWidget* dialog = host.uiLoader()->tree(QStringLiteral("com.ekr.configuration"));
    auto* pages =
        dialog ? dialog->findChild<QListWidget*>(QStringLiteral("lwtConfiguration")) : nullptr;
    auto* stack =
        dialog ? dialog->findChild<QStackedWidget*>(QStringLiteral("swtConfiguration")) : nullptr;
    if (!pages || !stack || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "ekr_client: no dialog to take screenshots of\n");
        return false;
    }
    const QString prefix = QStringLiteral("%1/%2-%3-")
                               .arg(QDir(folder).absolutePath(), host.uiLoader()->GetCurrentSkin(),
                                    host.uiLoader()->currentLanguage());
    for (int row = 0; row < pages->count(); ++row) {
        pages->setCurrentRow(row);
        QApplication::processEvents();
        QString page = stack->currentWidget()->objectName();
        page.remove(QStringLiteral("page"));
        const QString file = prefix + QStringLiteral("%1-%2.png").arg(row + 1).arg(page.toLower());
        if (!dialog->grab().save(file)) {
            std::fprintf(stderr, "ekr_client: cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("ekr_client: wrote %s\n", qPrintable(file));
    }
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ekr_client"));
    QApplication::setApplicationVersion(QStringLiteral("0.9.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Render farm client"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption pluginOption(
        QStringLiteral("plugin-file"), QStringLiteral("Load the configuration plugin from <file>."),
        QStringLiteral("file"), ClientHost::defaultPluginPath());
    const QCommandLineOption skinOption(
        QStringLiteral("skin"),
        QStringLiteral("Dress the client in <skin>: %1.")
            .arg(UiLoaderService::availableSkins().join(QStringLiteral(", "))),
        QStringLiteral("skin"));
    const QCommandLineOption languageOption(
        QStringLiteral("language"),
        QStringLiteral("Show the client in <code>: %1.")
            .arg(UiLoaderService::availableLanguages().join(QStringLiteral(", "))),
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
    parser.process(app);

    int exitCode = 0;
    {
        ClientHost host;
        QString error;
        g_logger = host.logger();
        g_previousHandler = qInstallMessageHandler(messageHandler);

        if (parser.isSet(profileOption) &&
            !host.communication()->loadProfile(parser.value(profileOption), &error)) {
            std::fprintf(stderr, "ekr_client: %s\n", qPrintable(error));
            exitCode = 2;
        }
        // Skin and language are chosen before the dialog is built, so that it
        // comes up dressed and worded as asked.
        if (parser.isSet(skinOption) && !host.uiLoader()->setSkin(parser.value(skinOption)))
            exitCode = 2;
        if (parser.isSet(languageOption) &&
            !host.uiLoader()->setLanguage(parser.value(languageOption)))
            exitCode = 2;

        if (exitCode != 0) {
            std::fprintf(stderr, "ekr_client: skins: %s; languages: %s\n",
                         qPrintable(UiLoaderService::availableSkins().join(", ")),
                         qPrintable(UiLoaderService::availableLanguages().join(", ")));
        } else if (!host.start(parser.value(pluginOption), &error)) {
            std::fprintf(stderr, "ekr_client: %s\n", qPrintable(error));
            exitCode = 1;
        } else {
            std::printf("ekr_client: configuration plugin started; log in %s\n",
                        qPrintable(host.logger()->filePath()));
            // The client signs in as soon as it runs; the dialog follows the
            // account as the replies come in.
            host.communication()->signIn(parser.isSet(accountOption)
                                             ? parser.value(accountOption)
                                             : host.communication()->defaultAccount());
            host.configuration()->ShowConf();
            if (parser.isSet(finishOption)) {
                EKConfigurationInterface* configuration = host.configuration();
                QTimer::singleShot(1000, configuration, [configuration]() {
                    std::printf("ekr_client: announcing a finished job\n");
                    configuration->Finish(QStringLiteral("demo-scene.max"));
                });
            }
            if (parser.isSet(screenshotOption)) {
                host.settle();
                exitCode = saveScreenshots(host, parser.value(screenshotOption)) ? 0 : 1;
            } else {
                exitCode = app.exec();
            }
        }
        host.shutdown();
        qInstallMessageHandler(g_previousHandler);
        g_logger = nullptr;
    }
    return exitCode;
}
