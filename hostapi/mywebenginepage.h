#pragma once

#include <QWebEnginePage>

// The host UI library's web page.
class MyWebEnginePage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit MyWebEnginePage(QObject* parent = nullptr);
    ~MyWebEnginePage() override;

protected:
    bool certificateError(const QWebEngineCertificateError& error) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    // True while the main frame runs a navigation the host itself started (a load, a reload, the
    // history), so that its server redirects are followed in place.
    bool m_ownNavigation = false;
};
