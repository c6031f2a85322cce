#include "mywebenginepage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QUrl>
#include <QWebEngineCertificateError>
#include <QWebEngineProfile>

namespace {

// Where this page meets what Qt 6 changed (the certificate signal is connected in the constructor).

// Qt 5.15's default profile keeps cookies, local storage and the HTTP cache on disk. Qt 6 made the
// default profile off-the-record: nothing of the page would outlast the host's run, and the disk
// cache the plug-in asks for would quietly stay in memory. So on Qt 6 the pages share a disk-based
// profile under the name Qt 5.15 gave its default one, which keeps them in the same folder too.
QWebEngineProfile* pageProfile()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    static QPointer<QWebEngineProfile> profile;
    if (!profile)
        profile = new QWebEngineProfile(QStringLiteral("Default"), QCoreApplication::instance());
    return profile;
#else
    return QWebEngineProfile::defaultProfile();
#endif
}

// Qt 6 renamed errorDescription() to description().
QString describe(const QWebEngineCertificateError& error)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return error.description();
#else
    return error.errorDescription();
#endif
}

// This page carries the user's tokens: a certificate we cannot trust ends the load, always.
void warnRefused(const QWebEngineCertificateError& error)
{
    qWarning("MyWebEnginePage: certificate error on %s refused: %s", qUtf8Printable(error.url().toString()),
             qUtf8Printable(describe(error)));
}

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
    : QWebEnginePage(pageProfile(), parent)
{
    // A committed document, or the end of a load, closes the host's own navigation: whatever the
    // document does after that is the page's doing, not ours.
    connect(this, &QWebEnginePage::urlChanged, this, [this] { m_ownNavigation = false; });
    connect(this, &QWebEnginePage::loadFinished, this, [this] { m_ownNavigation = false; });
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 reports the error by this signal and takes the answer from the error itself; an error
    // left unanswered would be refused too, but the refusal is ours to make, not a default's.
    connect(this, &QWebEnginePage::certificateError, this, [](QWebEngineCertificateError error) {
        warnRefused(error);
        error.rejectCertificate();
    });
#endif
}

MyWebEnginePage::~MyWebEnginePage() = default;

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
bool MyWebEnginePage::certificateError(const QWebEngineCertificateError& error)
{
    warnRefused(error);
    return false;
}
#endif

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
