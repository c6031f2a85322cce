#include "waitloading.h"

#include <QEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QVariantAnimation>

namespace {
constexpr int SpinnerSize = 64;
constexpr int TurnMilliseconds = 1000;
}

Waitloading::Waitloading(const QString& imagePath, QWidget* parent)
    : QWidget(parent)
    , m_imagePath(imagePath)
    , m_renderer(new QSvgRenderer(imagePath, this))
    , m_rotation(new QVariantAnimation(this))
{
    if (!m_renderer->isValid())
        qWarning("Waitloading: cannot read the spinner image %s", qUtf8Printable(imagePath));

    setFixedSize(SpinnerSize, SpinnerSize);
    // The spinner sits over the page; clicks belong to what is underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);

    m_rotation->setStartValue(0.0);
    m_rotation->setEndValue(360.0);
    m_rotation->setDuration(TurnMilliseconds);
    m_rotation->setLoopCount(-1);
    connect(m_rotation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toReal();
        update();
    });

    if (parent)
        parent->installEventFilter(this);
    centreInParent();
    // Nothing turns until someone asks for it: a spinner that shows on its own would flash over
    // pages that load from the cache.
    hide();
}

Waitloading::~Waitloading() = default;

void Waitloading::start()
{
    centreInParent();
    show();
    raise();
    if (m_rotation->state() != QAbstractAnimation::Running)
        m_rotation->start();
}

void Waitloading::stop()
{
    m_rotation->stop();
    hide();
}

bool Waitloading::isSpinning() const
{
    return m_rotation->state() == QAbstractAnimation::Running;
}

QString Waitloading::imagePath() const
{
    return m_imagePath;
}

void Waitloading::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.rotate(m_angle);
    painter.translate(-centre);

    if (m_renderer->isValid()) {
        QSizeF imageSize = m_renderer->defaultSize();
        if (imageSize.isEmpty())
            imageSize = size();
        imageSize.scale(size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), imageSize);
        target.moveCenter(centre);
        m_renderer->render(&painter, target);
        return;
    }

    // Without its image the spinner still has to say "busy": a plain arc does.
    QPen pen(palette().color(QPalette::Highlight), 4);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.drawArc(QRectF(rect()).adjusted(6, 6, -6, -6), 0, 270 * 16);
}

bool Waitloading::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        centreInParent();
    return QWidget::eventFilter(watched, event);
}

void Waitloading::centreInParent()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    move((parent->width() - width()) / 2, (parent->height() - height()) / 2);
}
