#pragma once

#include "kvlhostglobal.h"

#include <QWebEnginePage>

// The host UI library's web page.
class KVLHOST_UI_EXPORT MyWebEnginePage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit MyWebEnginePage(QObject* parent = nullptr);
    ~MyWebEnginePage() override;

protected:
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 5.15 asks the page about a certificate error through this virtual. Qt 6 replaced it by
    // the certificateError signal, which the constructor connects there instead.
    bool certificateError(const QWebEngineCertificateError& error) override;
#endif
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    // True while the main frame runs a navigation the host itself started (a load, a reload, the
    // history), so that its server redirects are followed in place.
    bool m_ownNavigation = false;
};
