#include "controls/ui/kvmeter.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/ui/kvplib.h"

namespace kv {

KVMeter::KVMeter(unsigned style, QWidget* parent)
    : QWidget(parent),
      m_style(style),
      m_text(palette().color(QPalette::Text)),
      m_background(palette().color(QPalette::Base))
{
    setObjectName(QStringLiteral("KVMeter"));
}

void KVMeter::SetMaximum(int maximum)
{
    m_maximum = maximum;
    update();
}

void KVMeter::SetValue(int value)
{
    m_value = value;
    repaint();
}

void KVMeter::SetTextColour(const QColor& colour)
{
    m_text = colour;
    update();
}

void KVMeter::SetBackgroundColour(const QColor& colour)
{
    m_background = colour;
    update();
}

QString KVMeter::MeterText() const
{
    return QString::fromStdString(kv::MeterText(m_style, m_value, m_maximum, windowTitle().toStdString()));
}

QRect KVMeter::BarRect() const
{
    QRect bar = rect();
    if (m_style & meter::kIndent)
        bar.adjust(3, 3, -3, -3);
    if (m_style & meter::kInset)
        bar.adjust(1, 1, -1, -1);
    return bar;
}

void KVMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_style & meter::kInset)
        Draw3DFrame(painter, rect(), false, false, false, false);
    const QRect bar = BarRect();
    const int fill = MeterFill(m_value, m_maximum, bar.width());
    const QRect filled(bar.x(), bar.y(), fill, bar.height());
    const QRect empty(bar.x() + fill, bar.y(), bar.width() - fill, bar.height());
    const QString text = MeterText();
    // The filled part swaps the colours, so the text stays readable over both.
    painter.fillRect(empty, m_background);
    painter.fillRect(filled, m_text);
    painter.save();
    painter.setClipRect(empty);
    painter.setPen(m_text);
    painter.drawText(bar, Qt::AlignCenter, text);
    painter.setClipRect(filled);
    painter.setPen(m_background);
    painter.drawText(bar, Qt::AlignCenter, text);
    painter.restore();
}

void KVMeter::mousePressEvent(QMouseEvent*)
{
    emit notify(meter::kClicked);
}

void KVMeter::mouseDoubleClickEvent(QMouseEvent*)
{
    emit notify(meter::kDoubleClicked);
}

}  // namespace kv
