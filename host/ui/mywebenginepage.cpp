#include "mywebenginepage.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWebEngineCertificateError>

namespace {

bool isWebScheme(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

int effectivePort(const QUrl& url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0
        && effectivePort(a) == effectivePort(b);
}

} // namespace

MyWebEnginePage::MyWebEnginePage(QObject* parent)
    : QWebEnginePage(parent)
{
    // A committed document, or the end of a load, closes the host's own navigation: whatever the
    // document does after that is the page's doing, not ours.
    connect(this, &QWebEnginePage::urlChanged, this, [this] { m_ownNavigation = false; });
    connect(this, &QWebEnginePage::loadFinished, this, [this] { m_ownNavigation = false; });
}

MyWebEnginePage::~MyWebEnginePage() = default;

bool MyWebEnginePage::certificateError(const QWebEngineCertificateError& error)
{
    // This page carries the user's tokens: a certificate we cannot trust ends the load, always.
    qWarning("MyWebEnginePage: certificate error on %s refused: %s",
             qUtf8Printable(error.url().toString()), qUtf8Printable(error.errorDescription()));
    return false;
}

bool MyWebEnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame)
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);

    switch (type) {
    case NavigationTypeTyped:
    case NavigationTypeReload:
    case NavigationTypeBackForward:
    case NavigationTypeOther:
        // load(), setUrl() and setHtml() arrive here; the host's own loads always go through.
        m_ownNavigation = true;
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    case NavigationTypeRedirect:
        // Script assignments to location arrive as redirects too; only a server redirect of a
        // load we started is ours.
        if (m_ownNavigation)
            return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
        break;
    case NavigationTypeLinkClicked:
    case NavigationTypeFormSubmitted:
        m_ownNavigation = false;
        break;
    }

    // Only a web page has an origin to leave; the local offline page and the first load do not.
    const QUrl current = this->url();
    if (!isWebScheme(current) || sameOrigin(current, url))
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);

    if (isWebScheme(url)) {
        qInfo("MyWebEnginePage: %s opened in the system browser", qUtf8Printable(url.toString()));
        QDesktopServices::openUrl(url);
    } else {
        qWarning("MyWebEnginePage: navigation to %s refused", qUtf8Printable(url.toString()));
    }
    return false;
}
