#pragma once

#include "kvlhostglobal.h"

#include <QWidget>

class QSvgRenderer;
class QVariantAnimation;

// The host UI library's loading spinner: draws the given SVG image, turning while started.
class KVLHOST_UI_EXPORT Waitloading : public QWidget
{
    Q_OBJECT
public:
    explicit Waitloading(const QString& imagePath, QWidget* parent = nullptr);
    ~Waitloading() override;

    void start();
    void stop();

    bool isSpinning() const;
    QString imagePath() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void centreInParent();

    QString m_imagePath;
    QSvgRenderer* m_renderer;
    QVariantAnimation* m_rotation;
    qreal m_angle = 0;
};
