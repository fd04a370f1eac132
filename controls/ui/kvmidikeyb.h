#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

#include "controls/keyboardgeometry.h"

namespace kv {

// An on-screen piano keyboard. keyMessage() is the message the parent gets
// for every press and release: status << 16 | key << 8 | velocity, with
// velocity 0 for a release.
class KVmidiKeyB : public QWidget {
    Q_OBJECT
public:
    explicit KVmidiKeyB(QWidget* parent = nullptr);

    // 0: the low word of range is the number of keys, the high word the first key.
    void SetRange(uint32_t range, bool redraw = true);
    void SetRange(int keyCount, int firstKey, bool redraw = true);
    uint32_t Range() const;                                   // 1
    void SetTemplate(uint32_t statusAndVelocity);             // 2
    uint32_t Template() const { return m_logic.Template(); }  // 3
    void SetDownColour(const QColor& colour);                 // 4
    QColor DownColour() const { return m_downColour; }        // 5
    void SetUpColour(const QColor& colour);                   // 6
    QColor UpColour() const { return m_upColour; }            // 7
    void ReleaseAll();                                        // 8
    void ShowPressed(int key);                                // 9
    void ShowReleased(int key);                               // 10

    int FirstKey() const { return m_first; }
    int KeyCount() const { return m_count; }
    bool IsDown(int key) const { return m_logic.IsDown(key); }
    KeyboardGeometry Geometry() const { return KeyboardGeometry(m_first, m_count, width(), height()); }

signals:
    void keyMessage(uint32_t message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Send(const std::vector<KeyboardLogic::Packed>& messages);

    KeyboardLogic m_logic;
    int m_first = keyboard::kDefaultFirst;
    int m_count = keyboard::kDefaultKeys;
    QColor m_downColour{Qt::red};
    QColor m_upColour;
};

}  // namespace kv
