#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

#include "controls/knobmapping.h"

namespace kv {

// A slider along its length (style 0x0001 horizontal, else vertical with the
// minimum at the bottom) or a rotary knob (style 0x0008). notify() carries
// code 1 (range changed), 2 (moved by the mouse) and 3 (mouse released).
class KVSlider : public QWidget {
    Q_OBJECT
public:
    explicit KVSlider(unsigned style = 0, QWidget* parent = nullptr);

    unsigned Style() const { return m_style; }
    uint32_t GetRange() const;                       // 1: min low word, max high word
    void SetRange(int16_t min, int16_t max);         // 2
    int16_t Position() const { return m_position; }  // 3
    void SetPosition(int16_t position);              // 4: clamped; shows the position again
    void ShowNoPosition();                           // 5
    bool HasPosition() const { return m_hasPosition; }
    std::array<uint32_t, 5> Colours() const;  // 6: face, track, thumb, highlight, shadow as RGB words

    int16_t Minimum() const { return m_min; }
    int16_t Maximum() const { return m_max; }

signals:
    void notify(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int16_t PositionAt(QPoint p) const;
    void Track(QPoint p);
    int TrackLength() const;
    QRect KnobRect() const;

    unsigned m_style;
    int16_t m_min = 0;
    int16_t m_max = 100;
    int16_t m_position = 0;
    bool m_hasPosition = true;
    bool m_tracking = false;
};

}  // namespace kv
