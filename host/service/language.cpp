#include "language.h"

#include <QMutexLocker>

Language* Language::instance()
{
    // Never destroyed, like the host's: connections made by plug-ins may outlive them.
    static Language* service = new Language;
    return service;
}

Language::Language()
{
    m_current.name = QStringLiteral("English");
    m_current.nativeName = QStringLiteral("English");
    m_current.languageCode = QStringLiteral("en");
}

LanguageDetail Language::getCurrentLD() const
{
    QMutexLocker lock(&m_mutex);
    return m_current;
}

void Language::setCurrentLanguage(const QString& code)
{
    {
        QMutexLocker lock(&m_mutex);
        m_current.name = code;
        m_current.nativeName = code;
        m_current.languageCode = code;
    }
    emit languageChange(code);
}
