#pragma once

#include "imainwindow.h"
#include "standinplugin.h"

// The host's main window: which page is in front, whether the host hides page spinners, and
// the requests the page makes of the window.
class StandInMainWindow : public StandInPlugin, public IMainWindow
{
    Q_OBJECT
    Q_INTERFACES(IMainWindow)
public:
    static QUuid uuid();

    StandInMainWindow(HostProfile* profile, HostCallLog* log, QObject* parent = nullptr);

    void setCurrentPage(int pageType);
    void setLoadingSpinnerSuppressed(bool suppressed);

    // IMainWindow
    void showLogin() override;
    int currentPage() override;
    void finishBootAnimation(bool finish) override;
    void changeBannerBackground(const BannerImageInfo& info) override;
    bool loadingSpinnerSuppressed() override;
    void searchInGooglePlay(const QString& query) override;
    void pushRealSearchResults(const QList<SearchResultInfo>& results, QVariant context) override;
};
