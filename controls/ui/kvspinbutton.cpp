#include "controls/ui/kvspinbutton.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "controls/ui/kvplib.h"

namespace kv {

namespace {

constexpr int kOwnEditArrowWidth = 16;

int64_t MonotonicMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

}  // namespace

KVSBEdit::KVSBEdit(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("KVSBEdit"));
}

void KVSBEdit::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && parentWidget() != nullptr) {
        if (auto* spin = qobject_cast<KVSpinButton*>(parentWidget())) {
            QKeyEvent copy(event->type(), event->key(), event->modifiers());
            QCoreApplication::sendEvent(spin, &copy);
            return;
        }
    }
    const QString before = text();
    const int cursor = cursorPosition();
    QLineEdit::keyPressEvent(event);
    if (!m_scrolls && !Fits(text())) {
        setText(before);
        setCursorPosition(cursor);
    }
}

bool KVSBEdit::Fits(const QString& candidate) const
{
    const QMargins margins = textMargins();
    const int room = contentsRect().width() - margins.left() - margins.right() - 4;
    return fontMetrics().horizontalAdvance(candidate) <= room;
}

KVSpinButton::KVSpinButton(unsigned style, QWidget* parent)
    : QWidget(parent), m_logic(style, *this), m_clock(&MonotonicMs)
{
    setObjectName(QStringLiteral("KVSpinButton"));
    setFocusPolicy(Qt::StrongFocus);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KVSpinButton::RepeatTick);
    if (m_logic.Style() & spin::kOwnEdit) {
        auto* edit = new KVSBEdit(this);
        edit->setFrame(false);
        edit->SetScrolls(m_logic.Style() & spin::kOwnEditScrolls);
        SetEdit(edit);
    }
}

KVSpinButton::~KVSpinButton()
{
    if (m_edit != nullptr)
        m_edit->removeEventFilter(this);
}

uint32_t KVSpinButton::GetRange() const
{
    return (uint32_t(Minimum()) & 0xFFFFu) | (uint32_t(Maximum()) << 16);
}

int32_t KVSpinButton::SetRange(int32_t min, int32_t max)
{
    const int32_t old = m_logic.SetRange(min, max);
    update();
    return old;
}

int32_t KVSpinButton::GetValue()
{
    return m_logic.GetValue();
}

int32_t KVSpinButton::SetValue(int32_t value)
{
    return m_logic.SetValue(value);
}

void KVSpinButton::SetEdit(QLineEdit* edit)
{
    if (m_edit != nullptr) {
        m_edit->removeEventFilter(this);
        disconnect(m_edit, nullptr, this, nullptr);
    }
    m_edit = edit;
    m_logic.SetHasEdit(edit != nullptr && (m_logic.Style() & spin::kHasEdit));
    if (edit == nullptr)
        return;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_logic.TextEdited(text.toStdString()); });
    // Joined to an edit that ends where the spin begins: overlap their borders.
    if ((m_logic.Style() & spin::kJoinEdit) && edit->parentWidget() == parentWidget() &&
        edit->geometry().right() + 1 == x())
        move(x() - 1, y());
    if (edit->parentWidget() == this)
        resizeEvent(nullptr);
    if (m_logic.Style() & spin::kParentConverts)
        emit notify(spin::kWriteText);
    else
        SetEditText(std::to_string(m_logic.StoredValue()));
}

std::string KVSpinButton::EditText() const
{
    return m_edit != nullptr ? m_edit->text().toStdString() : std::string();
}

void KVSpinButton::SetEditText(const std::string& text)
{
    if (m_edit == nullptr)
        return;
    m_edit->setText(QString::fromStdString(text));
    m_edit->selectAll();
}

QRect KVSpinButton::ArrowRect() const
{
    if (m_edit != nullptr && m_edit->parentWidget() == this) {
        const int w = std::min(kOwnEditArrowWidth, width());
        return QRect(width() - w, 0, w, height());
    }
    return rect();
}

int KVSpinButton::DirectionAt(QPoint p) const
{
    const QRect arrows = ArrowRect();
    return SpinArrowAt(m_logic.Style(), arrows.width(), arrows.height(), p.x() - arrows.x(),
                       p.y() - arrows.y());
}

void KVSpinButton::resizeEvent(QResizeEvent*)
{
    if (m_edit != nullptr && m_edit->parentWidget() == this)
        m_edit->setGeometry(0, 0, std::max(0, width() - ArrowRect().width()), height());
}

void KVSpinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    const int direction = DirectionAt(event->position().toPoint());
    if (direction == 0)
        return;
    if (m_edit != nullptr && !(m_logic.Style() & spin::kKeepFocus))
        m_edit->setFocus(Qt::MouseFocusReason);
    m_pressedDirection = direction;
    m_pressedStep = direction * (event->button() == Qt::RightButton ? 10 : 1);
    m_onArrow = true;
    m_logic.Step(m_pressedStep);
    m_repeat.Press(m_clock());
    ScheduleRepeat();
    update();
}

void KVSpinButton::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressedDirection == 0)
        return;
    const bool on = DirectionAt(event->position().toPoint()) == m_pressedDirection;
    if (on != m_onArrow) {
        m_onArrow = on;
        update();
    }
}

void KVSpinButton::mouseReleaseEvent(QMouseEvent*)
{
    if (m_pressedDirection != 0)
        EndPress();
}

void KVSpinButton::EndPress()
{
    m_repeat.Release();
    m_timer.stop();
    m_pressedDirection = 0;
    update();
    emit notify(spin::kArrowReleased);
}

void KVSpinButton::ScheduleRepeat()
{
    if (!m_repeat.Active())
        return;
    const int64_t wait = m_repeat.NextDeadline() - m_clock();
    m_timer.start(int(std::max<int64_t>(wait, 1)));
}

void KVSpinButton::RepeatTick()
{
    if (m_pressedDirection == 0)
        return;
    const int steps = m_repeat.Poll(m_clock(), m_onArrow);
    for (int i = 0; i < steps; ++i)
        m_logic.Step(m_pressedStep);
    ScheduleRepeat();
}

void KVSpinButton::keyPressEvent(QKeyEvent* event)
{
    int direction = 0;
    if (event->key() == Qt::Key_Up)
        direction = 1;
    else if (event->key() == Qt::Key_Down)
        direction = -1;
    if (direction == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (m_logic.Style() & spin::kReversed)
        direction = -direction;
    m_logic.Step(direction);
}

bool KVSpinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusIn) {
            emit notify(spin::kEditFocused);
        } else if (event->type() == QEvent::FocusOut) {
            m_logic.Commit();
            emit notify(spin::kEditUnfocused);
            // Leaving the edit ends an adjustment just as releasing the arrow does.
            if (m_pressedDirection != 0)
                EndPress();
            else
                emit notify(spin::kArrowReleased);
        } else if (event->type() == QEvent::KeyPress && m_edit->parentWidget() != this) {
            // An attached plain edit forwards the arrow keys as the own edit does.
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                keyPressEvent(key);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KVSpinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect arrows = ArrowRect();
    const bool vertical = m_logic.Style() & spin::kVertical;
    const bool reversed = m_logic.Style() & spin::kReversed;
    QRect up, down;
    if (vertical) {
        up = QRect(arrows.x(), arrows.y(), arrows.width(), arrows.height() / 2);
        down = QRect(arrows.x(), arrows.y() + arrows.height() / 2, arrows.width(),
                     arrows.height() - up.height());
    } else {
        down = QRect(arrows.x(), arrows.y(), arrows.width() / 2, arrows.height());
        up = QRect(arrows.x() + arrows.width() / 2, arrows.y(), arrows.width() - down.width(),
                   arrows.height());
    }
    if (reversed)
        std::swap(up, down);
    const bool sunkenBorder = m_logic.Style() & spin::kJoinEdit;
    if (sunkenBorder)
        Draw3DFrame(painter, rect(), false, false, false, false);
    for (int direction : {1, -1}) {
        const QRect r = direction == 1 ? up : down;
        const bool pressed = m_pressedDirection == direction && m_onArrow;
        Draw3DFrame(painter, r, !pressed, false, false, false);
        // The arrow points the way the value goes on screen.
        const bool pointsUpOrRight = (direction == 1) != reversed;
        const QPointF c = QRectF(r).center();
        const qreal s = std::max<qreal>(2, std::min(r.width(), r.height()) / 4.0);
        QPainterPath tri;
        if (vertical) {
            const qreal d = pointsUpOrRight ? -s : s;
            tri.moveTo(c.x() - s, c.y() - d / 2);
            tri.lineTo(c.x() + s, c.y() - d / 2);
            tri.lineTo(c.x(), c.y() + d / 2);
        } else {
            const qreal d = pointsUpOrRight ? s : -s;
            tri.moveTo(c.x() - d / 2, c.y() - s);
            tri.lineTo(c.x() - d / 2, c.y() + s);
            tri.lineTo(c.x() + d / 2, c.y());
        }
        tri.closeSubpath();
        painter.fillPath(tri, isEnabled() ? palette().color(QPalette::ButtonText)
                                          : palette().color(QPalette::Disabled, QPalette::ButtonText));
    }
}

}  // namespace kv
