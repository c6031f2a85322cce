#include "launcher/service/httpexchange.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

HttpResponse HttpResponse::json(int status, const QJsonValue& value)
{
    HttpResponse response;
    response.status = status;
    if (value.isObject()) {
        response.body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    } else if (value.isArray()) {
        response.body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    } else {
        // QJsonDocument holds only containers; wrap and cut the scalar out again.
        const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        response.body = wrapped.mid(1, wrapped.size() - 2);
    }
    return response;
}

HttpResponse HttpResponse::jsonLater(int status, std::function<QByteArray()> makeBody)
{
    HttpResponse response;
    response.status = status;
    response.makeBody = std::move(makeBody);
    return response;
}

QByteArray HttpResponse::content() const
{
    return makeBody ? makeBody() : body;
}

HttpResponse HttpResponse::error(int status, const QString& message)
{
    return json(status, QJsonObject{{QStringLiteral("error"), message}});
}

HttpResponse HttpResponse::file(const QByteArray& contentType, const QByteArray& body)
{
    HttpResponse response;
    response.contentType = contentType;
    response.body = body;
    return response;
}
