#ifndef EKR_MESSAGEBOX_SERVICE_H
#define EKR_MESSAGEBOX_SERVICE_H

#include "EKMessagboxInterface.h"
#include "host_service.h"

#include <QList>
#include <QPointer>

class QMessageBox;

// Asks the user a question in a modal message box, and tells the host's own
// news in boxes that do not wait for an answer.
class MessageBoxService : public HostService<EKMessagboxInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKMessagboxInterface)

public:
    explicit MessageBoxService(QObject* parent = nullptr);
    ~MessageBoxService() override;

    // kind selects the box's standard icon when icon is null (QMessageBox::Icon
    // values; 4 is a question); first is the window title and second the
    // informative text. flag makes the last button the default one.
    int ShowMessage(QString& clickedButton, int kind, const QString& first, const QString& second,
                    const QIcon& icon, const QString& text, const QVariantHash& buttons,
                    bool flag) override;

    // Shows text in a warning box named objectName and returns at once; the
    // box stays beside the client's windows until the user closes it.
    void showNotice(const QString& objectName, const QString& text);

private:
    QList<QPointer<QMessageBox>> m_notices; // those still open go with the service
};

#endif
