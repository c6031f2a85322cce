#include "mywebengineview.h"

MyWebEngineView::MyWebEngineView(QWidget* parent)
    : QWebEngineView(parent)
{
}

MyWebEngineView::~MyWebEngineView() = default;

// The launcher's own views hook these; the plug-in's view derives from this class and relies on
// them being real overrides that end in the web view's own handling.
bool MyWebEngineView::eventFilter(QObject* watched, QEvent* event)
{
    return QWebEngineView::eventFilter(watched, event);
}

bool MyWebEngineView::event(QEvent* event)
{
    return QWebEngineView::event(event);
}
