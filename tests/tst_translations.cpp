// The translation catalogues against the texts the plugin really uses.

#include "test_environment.h"

#include <QDomDocument>
#include <QProcess>

namespace {
struct Catalogue
{
    QMap<QString, QString> translations; // "context|source" -> translation
    QStringList unfinished;
};

Catalogue readCatalogue(const QString& path)
{
    Catalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return catalogue;
    QDomDocument document;
    document.setContent(&file);
    const QDomNodeList contexts = document.elementsByTagName("context");
    for (int i = 0; i < contexts.size(); ++i) {
        const QDomElement context = contexts.at(i).toElement();
        const QString name = context.firstChildElement("name").text();
        for (QDomElement message = context.firstChildElement("message"); !message.isNull();
             message = message.nextSiblingElement("message")) {
            const QString key = name + "|" + message.firstChildElement("source").text();
            const QDomElement translation = message.firstChildElement("translation");
            catalogue.translations.insert(key, translation.text());
            if (translation.attribute("type") == "unfinished")
                catalogue.unfinished << key;
        }
    }
    return catalogue;
}
} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void chineseCatalogueCoversExactlyThePluginTexts()
    {
        QTemporaryDir scratch;
        const QString scanned = scratch.path() + "/scanned_zh_CN.ts";
        QProcess lupdate;
        lupdate.start(EKR_LUPDATE,
                      {"-locations", "none", EKR_SOURCE_DIR "/plugins/com.ekr.configuration", "-ts",
                       scanned});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);

        const Catalogue found = readCatalogue(scanned);
        const Catalogue shipped =
            readCatalogue(EKR_SOURCE_DIR "/host/resources/translations/ekr_client_zh_CN.ts");
        QVERIFY(found.translations.size() > 30);
        QVERIFY(found.translations.contains("QObject|Enbale auto update"));
        QVERIFY(found.translations.contains("EKConfiguration|Select Monitor path"));
        QCOMPARE(shipped.translations.keys(), found.translations.keys());
        QCOMPARE(shipped.unfinished, QStringList());
        for (const QString& translation : shipped.translations)
            QVERIFY(!translation.isEmpty());
    }
};

EKR_TEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
