#include "controls/ui/kvslider.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "controls/ui/kvplib.h"

namespace kv {

namespace {

// The thumb's half size: the track runs between the two thumb centres.
constexpr int kThumbHalf = 4;

uint32_t RgbWord(const QColor& c)
{
    // Red in the low byte, as the colour records of the dialogs hold it.
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

}  // namespace

KVSlider::KVSlider(unsigned style, QWidget* parent) : QWidget(parent), m_style(style)
{
    setObjectName(QStringLiteral("KVSlider"));
}

uint32_t KVSlider::GetRange() const
{
    return (uint32_t(uint16_t(m_min))) | (uint32_t(uint16_t(m_max)) << 16);
}

void KVSlider::SetRange(int16_t min, int16_t max)
{
    if (max < min)
        std::swap(min, max);
    m_min = min;
    m_max = max;
    const int16_t clamped = std::clamp(m_position, m_min, m_max);
    emit notify(slider::kRangeChanged);
    if (clamped != m_position) {
        m_position = clamped;
        emit notify(slider::kPositionChanged);
    }
    update();
}

void KVSlider::SetPosition(int16_t position)
{
    m_position = std::clamp(position, m_min, m_max);
    m_hasPosition = true;
    update();
}

void KVSlider::ShowNoPosition()
{
    m_hasPosition = false;
    update();
}

std::array<uint32_t, 5> KVSlider::Colours() const
{
    const QPalette& p = palette();
    return {RgbWord(p.color(QPalette::Button)), RgbWord(p.color(QPalette::Base)),
            RgbWord(p.color(QPalette::Button)), RgbWord(p.color(QPalette::Light)),
            RgbWord(p.color(QPalette::Dark))};
}

int KVSlider::TrackLength() const
{
    const int along = (m_style & slider::kHorizontal) ? width() : height();
    return std::max(1, along - 2 * kThumbHalf);
}

QRect KVSlider::KnobRect() const
{
    const int side = std::min(width(), height()) - 2;
    return QRect((width() - side) / 2, (height() - side) / 2, side, side);
}

int16_t KVSlider::PositionAt(QPoint p) const
{
    if (m_style & slider::kKnob) {
        const QPoint c = KnobRect().center();
        return KnobPositionForAngle(KnobAngle(c.x(), c.y(), p.x(), p.y()), m_min, m_max);
    }
    const int offset = ((m_style & slider::kHorizontal) ? p.x() : p.y()) - kThumbHalf;
    return LinearPosition(m_style, TrackLength(), offset, m_min, m_max);
}

void KVSlider::Track(QPoint p)
{
    const int16_t position = PositionAt(p);
    if (position == m_position && m_hasPosition)
        return;
    m_position = position;
    m_hasPosition = true;
    update();
    emit notify(slider::kPositionChanged);
}

void KVSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_tracking = true;
    Track(event->position().toPoint());
}

void KVSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (m_tracking)
        Track(event->position().toPoint());
}

void KVSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_tracking || event->button() != Qt::LeftButton)
        return;
    m_tracking = false;
    emit notify(slider::kReleased);
}

void KVSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    if (m_style & slider::kKnob) {
        const QRect knob = KnobRect();
        painter.setPen(pal.color(QPalette::Dark));
        painter.setBrush(pal.color(QPalette::Button));
        painter.drawEllipse(knob);
        if (!m_hasPosition)
            return;
        const double angle = KnobAngleForPosition(m_position, m_min, m_max);
        const QPointF c = QRectF(knob).center();
        const double r = knob.width() / 2.0 - 3;
        painter.setPen(QPen(pal.color(QPalette::Highlight), 2));
        painter.drawLine(c, QPointF(c.x() + r * std::cos(angle), c.y() - r * std::sin(angle)));
        return;
    }
    const bool horizontal = m_style & slider::kHorizontal;
    const int length = TrackLength();
    QRect groove = horizontal ? QRect(kThumbHalf, height() / 2 - 2, length, 4)
                              : QRect(width() / 2 - 2, kThumbHalf, 4, length);
    Draw3DFrame(painter, groove, false, false, false, false);
    if (!m_hasPosition)
        return;
    const int offset = LinearOffset(m_style, length, m_position, m_min, m_max) + kThumbHalf;
    const QRect thumb = horizontal ? QRect(offset - kThumbHalf, 1, 2 * kThumbHalf, height() - 2)
                                   : QRect(1, offset - kThumbHalf, width() - 2, 2 * kThumbHalf);
    Draw3DFrame(painter, thumb, true, false, false, false);
}

}  // namespace kv
