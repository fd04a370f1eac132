#include "controls/ui/kvmidikeyb.h"

#include <QMouseEvent>
#include <QPainter>

namespace kv {

KVmidiKeyB::KVmidiKeyB(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KVmidiKeyB"));
    m_upColour = Qt::white;
}

void KVmidiKeyB::SetRange(uint32_t range, bool redraw)
{
    SetRange(int(range & 0xFFFF), int(range >> 16), redraw);
}

void KVmidiKeyB::SetRange(int keyCount, int firstKey, bool redraw)
{
    const KeyboardGeometry g(firstKey, keyCount, 1, 1);
    m_first = g.FirstKey();
    m_count = g.KeyCount();
    if (redraw)
        update();
}

uint32_t KVmidiKeyB::Range() const
{
    return uint32_t(m_count) | uint32_t(m_first) << 16;
}

void KVmidiKeyB::SetTemplate(uint32_t statusAndVelocity)
{
    m_logic.SetTemplate(int((statusAndVelocity >> 16) & 0xFF), int(statusAndVelocity & 0xFF));
}

void KVmidiKeyB::SetDownColour(const QColor& colour)
{
    m_downColour = colour;
    update();
}

void KVmidiKeyB::SetUpColour(const QColor& colour)
{
    m_upColour = colour;
    update();
}

void KVmidiKeyB::Send(const std::vector<KeyboardLogic::Packed>& messages)
{
    if (!messages.empty())
        update();
    for (KeyboardLogic::Packed m : messages)
        emit keyMessage(m);
}

void KVmidiKeyB::ReleaseAll()
{
    Send(m_logic.ReleaseAll());
    update();
}

void KVmidiKeyB::ShowPressed(int key)
{
    m_logic.ShowPressed(key);
    update();
}

void KVmidiKeyB::ShowReleased(int key)
{
    m_logic.ShowReleased(key);
    update();
}

void KVmidiKeyB::mousePressEvent(QMouseEvent* event)
{
    const int key = Geometry().KeyAt(int(event->position().x()), int(event->position().y()));
    if (key < 0)
        return;
    if (event->button() == Qt::LeftButton)
        Send(m_logic.LeftPress(key));
    else if (event->button() == Qt::RightButton)
        Send(m_logic.RightPress(key));
}

void KVmidiKeyB::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int key = Geometry().KeyAt(int(event->position().x()), int(event->position().y()));
    if (key >= 0)
        Send(m_logic.Drag(key));
}

void KVmidiKeyB::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Send(m_logic.LeftRelease());
}

void KVmidiKeyB::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const KeyboardGeometry g = Geometry();
    const QColor outline = palette().color(QPalette::WindowText);
    for (int pass = 0; pass < 2; ++pass) {
        // White keys first, so the black keys lie over them.
        for (int key = g.FirstKey(); key <= g.LastKey(); ++key) {
            if (IsBlackKey(key) != (pass == 1))
                continue;
            const KeyRect r = g.Rect(key);
            const QRect box(r.x, r.y, r.width, r.height);
            QColor fill = IsBlackKey(key) ? QColor(Qt::black) : m_upColour;
            if (m_logic.IsDown(key))
                fill = m_downColour;
            painter.fillRect(box, fill);
            painter.setPen(outline);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
}

}  // namespace kv
