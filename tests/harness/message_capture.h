#ifndef EKR_MESSAGE_CAPTURE_H
#define EKR_MESSAGE_CAPTURE_H

#include <QList>
#include <QString>
#include <QtGlobal>

// Collects what reaches Qt's message handler while it exists.
class MessageCapture
{
public:
    struct Message
    {
        QtMsgType type;
        QString category;
        QString text;
    };

    MessageCapture();
    ~MessageCapture();

    QList<Message> messages() const { return m_messages; }
    // Only the lines of one logging category, e.g. "ekr.configuration".
    QList<Message> fromCategory(const QString& category) const;
    void clear() { m_messages.clear(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QList<Message> m_messages;
    QtMessageHandler m_previous = nullptr;
    MessageCapture* m_outer = nullptr;
};

#endif
