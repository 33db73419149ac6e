#include "fake_services.h"

int FakeSettings::GetValue(QVariant& value, const QVariant& handle, const QString& key)
{
    reads << key;
    handlesSeen << handle;
    value = store.value(key);
    return 0;
}

int FakeSettings::SetValue(const QVariant& handle, const QString& key, const QVariant& value)
{
    writes.append({key, value});
    handlesSeen << handle;
    store.insert(key, value);
    return 0;
}

int FakeSettings::GetGroupValues(QVariantHash& values, const QVariant& handle, const QString& group)
{
    reads << group + QStringLiteral("/*");
    handlesSeen << handle;
    const QString prefix = group + QLatin1Char('/');
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        const QString child = it.key().mid(prefix.size());
        if (it.key().startsWith(prefix) && !child.contains(QLatin1Char('/')))
            values.insert(child, it.value());
    }
    return 0;
}

FakeUiLoader::~FakeUiLoader()
{
    qDeleteAll(trees);
}

QWidget* FakeUiLoader::LoadUi(const QString& name, QWidget* parent)
{
    Q_UNUSED(parent)
    loadedNames << name;
    QWidget* tree = treeFactory ? treeFactory() : nullptr;
    if (tree)
        trees.append(tree);
    return tree;
}

int FakeCommunication::RequestPoolId(const QVariant& handle, const QVariantHash& data)
{
    requests.append({QStringLiteral("RequestPoolId"), handle, data});
    if (onRequest)
        onRequest();
    return 0;
}

int FakeCommunication::RequestLatestVersion(const QVariant& handle, const QVariantHash& data)
{
    requests.append({QStringLiteral("RequestLatestVersion"), handle, data});
    if (onRequest)
        onRequest();
    return 0;
}

int FakeFileWatcher::SetWatchPaths(const QStringList& paths)
{
    calls << QStringLiteral("SetWatchPaths(%1)").arg(paths.join(QLatin1Char('|')));
    return 0;
}

int FakeFileWatcher::RestartWatching()
{
    calls << QStringLiteral("RestartWatching");
    return 0;
}

int FakeMessagebox::ShowMessage(QString& clickedButton, int kind, const QString& first,
                                const QString& second, const QIcon& icon, const QString& text,
                                const QVariantHash& buttons, bool flag)
{
    questions.append({kind, first, second, icon, text, buttons, flag});
    clickedButton = answer;
    return 0;
}
