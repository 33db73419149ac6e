#include "messagebox_service.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

MessageBoxService::MessageBoxService(QObject* parent)
{
    setParent(parent);
}

MessageBoxService::~MessageBoxService()
{
    for (const QPointer<QMessageBox>& box : qAsConst(m_notices))
        delete box.data();
}

void MessageBoxService::showNotice(const QString& objectName, const QString& text)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return; // no widgets in this process
    m_notices.removeAll(QPointer<QMessageBox>());
    auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::applicationName(), text,
                                QMessageBox::Ok);
    box->setObjectName(objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    m_notices.append(box);
}

int MessageBoxService::ShowMessage(QString& clickedButton, int kind, const QString& first,
                                   const QString& second, const QIcon& icon, const QString& text,
                                   const QVariantHash& buttons, bool flag)
{
    clickedButton.clear();
    QMessageBox box;
    box.setObjectName(QStringLiteral("ekrMessageBox"));
    box.setWindowTitle(first.isEmpty() ? QCoreApplication::applicationName() : first);
    box.setText(text);
    box.setInformativeText(second);
    if (!icon.isNull()) {
        box.setWindowIcon(icon);
        box.setIconPixmap(icon.pixmap(48, 48));
    } else if (kind >= QMessageBox::NoIcon && kind <= QMessageBox::Question) {
        box.setIcon(static_cast<QMessageBox::Icon>(kind));
    }

    // Buttons in a stable order: by object name, so "btnMessageBox_1" comes
    // before "btnMessageBox_2" whatever the hash order.
    QStringList names = buttons.keys();
    std::sort(names.begin(), names.end());
    QPushButton* last = nullptr;
    for (const QString& name : qAsConst(names)) {
        QPushButton* button =
            box.addButton(buttons.value(name).toString(), QMessageBox::ActionRole);
        button->setObjectName(name);
        last = button;
    }
    if (flag && last)
        box.setDefaultButton(last);
    box.exec();
    if (QAbstractButton* clicked = box.clickedButton())
        clickedButton = clicked->objectName();
    return 0;
}
