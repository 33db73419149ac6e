// The floor of the client's first start, as a program of its own: what any
// client showing this dialog must do with plain Qt, and nothing else. It loads
// the same plugin library, builds the same widget tree from the same .ui, dresses
// it in the same skin's style sheet, shows it and saves its four pages, as
// `ekr_client --screenshot DIR` does. scripts/bench runs both as fresh
// processes and compares their CPU time, wall time and peak memory.
//   ekr_start_floor --screenshot DIR [--skin SKIN] [--plugin-file FILE]

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QPluginLoader>
#include <QStackedWidget>
#include <QUiLoader>
#include <QWidget>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    auto option = [&arguments](const char* name, const QString& fallback) {
        const int at = arguments.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
    };
    const QString folder = option("--screenshot", QString());
    const QString skin = option("--skin", QStringLiteral("light"));
    const QString plugin = option("--plugin-file", QCoreApplication::applicationDirPath() +
                                                       QStringLiteral("/plugins/" EKR_PLUGIN_FILE));
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "ekr_start_floor: --screenshot <folder> is needed, and writable\n");
        return 2;
    }

    Q_INIT_RESOURCE(host_resources);
    QPluginLoader loader(plugin);
    if (!loader.load() || !loader.instance()) {
        std::fprintf(stderr, "ekr_start_floor: %s\n", qPrintable(loader.errorString()));
        return 1;
    }
    QFile ui(QStringLiteral(":/ui/com.ekr.configuration.ui"));
    QFile sheet(QStringLiteral(":/%1/com.ekr.configuration.qss").arg(skin));
    if (!ui.open(QIODevice::ReadOnly) || !sheet.open(QIODevice::ReadOnly))
        return 1;
    QUiLoader builder;
    QWidget* tree = builder.load(&ui);
    auto* stack =
        tree ? tree->findChild<QStackedWidget*>(QStringLiteral("swtConfiguration")) : nullptr;
    if (!stack)
        return 1;
    tree->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    tree->show();

    // One picture painted over for each page, as the client saves its pages.
    const QString prefix = QDir(folder).absolutePath() + QStringLiteral("/floor-");
    QPixmap picture;
    for (int page = 0; page < stack->count(); ++page) {
        stack->setCurrentIndex(page);
        QApplication::processEvents();
        const QString file = prefix + QStringLiteral("%1.png").arg(page + 1);
        if (picture.isNull())
            picture = tree->grab();
        else
            tree->render(&picture);
        if (!picture.save(file)) {
            std::fprintf(stderr, "ekr_start_floor: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    delete tree;
    return 0;
}
