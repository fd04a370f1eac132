#include "controls/ui/kvstatuscontrol.h"

#include <QPainter>

namespace kv {

KVStatusControl::KVStatusControl(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("KVStatusControl"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void KVStatusControl::SetText(const QString& text)
{
    m_text = text;
    setWindowTitle(text);
    update();
}

void KVStatusControl::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.drawText(contentsRect().adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, m_text);
}

void KVStatusControl::mousePressEvent(QMouseEvent*)
{
    emit notify(1);
}

void KVStatusControl::mouseDoubleClickEvent(QMouseEvent*)
{
    emit notify(2);
}

}  // namespace kv
