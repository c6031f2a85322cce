#pragma once

#include "hostrecords.h"
#include "kvlhostglobal.h"

#include <QMutex>
#include <QObject>

// The host's interface-language service.
class KVLHOST_SERVICE_EXPORT Language : public QObject
{
    Q_OBJECT
public:
    static Language* instance();

    LanguageDetail getCurrentLD() const;

    // Host-side: switches the language and tells every listener, on the calling thread
    // (the host may do this from any thread).
    void setCurrentLanguage(const QString& code);

signals:
    void languageChange(QString code);

private:
    Language();

    mutable QMutex m_mutex;
    LanguageDetail m_current;
};
