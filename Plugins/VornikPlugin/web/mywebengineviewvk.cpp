#include "mywebengineviewvk.h"

MyWebEngineViewVK::MyWebEngineViewVK(QWidget* parent)
    : MyWebEngineView(parent)
{
}

MyWebEngineViewVK::~MyWebEngineViewVK() = default;

void MyWebEngineViewVK::hideEvent(QHideEvent* event)
{
    // Skip QWebEngineView's handler, which would mark the page hidden.
    QWidget::hideEvent(event);
}
