// The render farm client's host program: loads the configuration plugin
// through the plugin framework and brings up its component.

#include "client_host.h"
#include "services/logger_service.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>

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
    parser.addOption(pluginOption);
    parser.process(app);

    int exitCode = 0;
    {
        ClientHost host;
        g_logger = host.logger();
        g_previousHandler = qInstallMessageHandler(messageHandler);

        QString error;
        if (!host.start(parser.value(pluginOption), &error)) {
            std::fprintf(stderr, "ekr_client: %s\n", qPrintable(error));
            exitCode = 1;
        } else {
            std::printf(
                "ekr_client: configuration plugin loaded, initialised and started; log in %s\n",
                qPrintable(host.logger()->filePath()));
        }
        host.shutdown();
        qInstallMessageHandler(g_previousHandler);
        g_logger = nullptr;
    }
    return exitCode;
}
