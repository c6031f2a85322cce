#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

// The one object the page's script talks to, published on the web channel as "webBridge".
// Its meta-object interface is what the page sees, so its order is fixed: htmlData,
// contentChanged, dataChanged, and the property content.
class WebBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QJsonObject content READ content WRITE setContent)
public:
    explicit WebBridge(QObject* parent = nullptr);

    // Always empty: the property is a write-only pipe to the page.
    QJsonObject content() const;
    // Does not store: writing the property is how a message is handed to the page.
    void setContent(const QJsonObject& content);

signals:
    void htmlData(QString data);
    void contentChanged(QJsonObject data);

public:
    Q_INVOKABLE void dataChanged(QString data);

private:
    QJsonObject m_content;
};
