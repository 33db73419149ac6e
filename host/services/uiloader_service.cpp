#include "uiloader_service.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QListWidget>
#include <QLoggingCategory>
#include <QShortcut>
#include <QTranslator>
#include <QUiLoader>
#include <QWidget>

#include <utility>

Q_LOGGING_CATEGORY(lcUiLoader, "ekr.host.uiloader")

namespace {
const char* const kStyleSheetName = "com.ekr.configuration.qss";
} // namespace

// Resources of a static library are linked in only when something names
// them. Named here, they are registered as the program starts, before anyone
// asks for a tree, a skin or a language (the static lists included).
[[maybe_unused]] static const bool g_bHostResources = [] {
    Q_INIT_RESOURCE(host_resources);
    Q_INIT_RESOURCE(host_translations);
    return true;
}();

UiLoaderService::UiLoaderService()
    : m_strSkin(QStringLiteral("light")), m_strLanguage(QStringLiteral("en"))
{
    // A skin's images come as name.png and name@2x.png. Qt draws icons and
    // the style sheet's images from the @2x file on a screen of two device
    // pixels per pixel only when this is set; otherwise it scales up the 1x.
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
}

UiLoaderService::~UiLoaderService()
{
    releaseTrees();
    delete m_pTranslator; // a translator leaves the application as it goes
}

QWidget* UiLoaderService::LoadUi(const QString& name, QWidget* parent)
{
    // By plain name only: a path could climb out of :/ui/.
    QFile file(QStringLiteral(":/ui/%1.ui").arg(name));
    if (name.contains(QLatin1Char('/')) || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcUiLoader).noquote() << "No widget tree is registered under" << name;
        return nullptr;
    }
    QUiLoader loader;
    // The tree's own texts, the accessible names among them, follow a
    // language switched later: each catalogue change retranslates them.
    loader.setLanguageChangeEnabled(true);
    QWidget* tree = loader.load(&file, parent);
    if (!tree) {
        qCWarning(lcUiLoader).noquote()
            << "The widget tree" << name << "cannot be built:" << loader.errorString();
        return nullptr;
    }
    // A page list takes no keyboard focus in the dialog, so the keyboard turns
    // its pages as in any tabbed dialog: Ctrl+PgDown or Ctrl+Tab to the next,
    // Ctrl+PgUp or Ctrl+Shift+Tab to the one before, round at the ends.
    if (auto* pages = tree->findChild<QListWidget*>(QStringLiteral("lwtConfiguration"))) {
        const std::pair<QKeySequence, int> turns[] = {
            {Qt::CTRL | Qt::Key_PageDown, 1},
            {Qt::CTRL | Qt::Key_Tab, 1},
            {Qt::CTRL | Qt::Key_PageUp, -1},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
        };
        for (const auto& [keys, step] : turns)
            connect(new QShortcut(keys, tree), &QShortcut::activated, pages, [pages, step = step] {
                // No current row yet: the first page is the one shown.
                const int count = std::max(pages->count(), 1);
                pages->setCurrentRow((std::max(pages->currentRow(), 0) + step + count) % count);
            });
    }
    if (QPointer<QWidget> earlier = m_trees.value(name)) {
        // Hidden now, deleted once the event that asked for the new tree is
        // done with the old one.
        earlier->hide();
        earlier->deleteLater();
    }
    m_trees.insert(name, tree);
    return tree;
}

QString UiLoaderService::GetCurrentSkin()
{
    return m_strSkin;
}

QWidget* UiLoaderService::tree(const QString& name) const
{
    return m_trees.value(name);
}

QStringList UiLoaderService::availableSkins()
{
    QStringList skins;
    const QStringList folders = QDir(QStringLiteral(":/")).entryList(QDir::Dirs);
    for (const QString& folder : folders) {
        if (QFile::exists(QStringLiteral(":/%1/%2").arg(folder, QLatin1String(kStyleSheetName))))
            skins << folder;
    }
    return skins;
}

QStringList UiLoaderService::availableLanguages()
{
    QStringList languages{QStringLiteral("en")};
    // The names are matched here rather than by a name filter, which would
    // compile a regular expression, and so load PCRE2 and its JIT, at every
    // start of the client: the list is in the help text of its options.
    const QString prefix = QStringLiteral("ekr_client_"), suffix = QStringLiteral(".qm");
    const QStringList catalogues = QDir(QStringLiteral(":/i18n")).entryList(QDir::Files);
    for (const QString& catalogue : catalogues) {
        if (catalogue.size() <= prefix.size() + suffix.size() || !catalogue.startsWith(prefix) ||
            !catalogue.endsWith(suffix))
            continue;
        const QString code = catalogue.mid(prefix.size()).chopped(suffix.size());
        if (!languages.contains(code))
            languages << code;
    }
    return languages;
}

bool UiLoaderService::setSkin(const QString& skin)
{
    // The skin in force was looked up when it was chosen; the client announces
    // it again to dress a new dialog, at every start.
    if (skin != m_strSkin && !availableSkins().contains(skin)) { // resource folders only
        qCWarning(lcUiLoader).noquote() << "No skin named" << skin << "- keeping" << m_strSkin;
        return false;
    }
    m_strSkin = skin;
    emit SkinChanged(skin);
    return true;
}

bool UiLoaderService::setLanguage(const QString& language)
{
    if (!availableLanguages().contains(language)) {
        qCWarning(lcUiLoader).noquote()
            << "No translation for" << language << "- keeping" << m_strLanguage;
        return false;
    }
    // The catalogue must be in place before anyone retranslates.
    delete std::exchange(m_pTranslator, nullptr);
    if (language != QLatin1String("en")) {
        m_pTranslator = new QTranslator;
        m_pTranslator->load(QStringLiteral(":/i18n/ekr_client_%1.qm").arg(language));
        QCoreApplication::installTranslator(m_pTranslator);
    }
    m_strLanguage = language;
    emit LanguageChanged(language);
    return true;
}

void UiLoaderService::onUninitialize()
{
    releaseTrees();
}

void UiLoaderService::releaseTrees()
{
    // A tree deleted as the child of another is null by its turn.
    qDeleteAll(std::exchange(m_trees, {}));
}
