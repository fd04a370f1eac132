#include "controls/keyboardgeometry.h"

#include <algorithm>

namespace kv {

bool IsBlackKey(int key)
{
    switch (((key % 12) + 12) % 12) {
        case 1:
        case 3:
        case 6:
        case 8:
        case 10:
            return true;
        default:
            return false;
    }
}

KeyboardGeometry::KeyboardGeometry(int firstKey, int keyCount, int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    m_first = std::clamp(firstKey, 0, 127);
    if (IsBlackKey(m_first))
        --m_first;  // every black key has a white key just below it
    m_count = std::clamp(keyCount, 1, 128 - m_first);
    for (int key = m_first; key <= LastKey(); ++key)
        if (!IsBlackKey(key))
            m_whiteKeys.push_back(key);
}

int KeyboardGeometry::WhiteLeft(int index) const
{
    return int(int64_t(index) * m_width / int64_t(m_whiteKeys.size()));
}

int KeyboardGeometry::WhiteIndex(int key) const
{
    auto it = std::lower_bound(m_whiteKeys.begin(), m_whiteKeys.end(), key);
    if (it == m_whiteKeys.end() || *it != key)
        return -1;
    return int(it - m_whiteKeys.begin());
}

KeyRect KeyboardGeometry::Rect(int key) const
{
    if (key < m_first || key > LastKey())
        return {};
    if (!IsBlackKey(key)) {
        const int i = WhiteIndex(key);
        const int left = WhiteLeft(i);
        return {left, 0, WhiteLeft(i + 1) - left, m_height};
    }
    const int below = WhiteIndex(key - 1);
    const int belowLeft = WhiteLeft(below);
    const int left = belowLeft + (WhiteLeft(below + 1) - belowLeft) * 2 / 3;
    int right = m_width;
    if (below + 1 < WhiteCount()) {
        const int aboveLeft = WhiteLeft(below + 1);
        right = aboveLeft + (WhiteLeft(below + 2) - aboveLeft) / 3;
    }
    return {left, 0, right - left, m_height * 2 / 3};
}

int KeyboardGeometry::KeyAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_whiteKeys.empty())
        return -1;
    int i = int(int64_t(x) * WhiteCount() / m_width);
    // Integer edges can put x one key off the estimate.
    while (i > 0 && x < WhiteLeft(i))
        --i;
    while (i + 1 < WhiteCount() && x >= WhiteLeft(i + 1))
        ++i;
    const int white = m_whiteKeys[size_t(i)];
    for (int black : {white - 1, white + 1}) {
        if (IsBlackKey(black) && Rect(black).Contains(x, y))
            return black;
    }
    return white;
}

void KeyboardLogic::SetTemplate(int status, int velocity)
{
    m_status = status & 0xFF;
    m_velocity = velocity & 0xFF;
}

KeyboardLogic::Packed KeyboardLogic::Message(int key, int velocity) const
{
    return Packed(m_status) << 16 | Packed(key & 0x7F) << 8 | Packed(velocity & 0xFF);
}

void KeyboardLogic::Sound(int key, std::vector<Packed>& out)
{
    if (key < 0 || key > 127 || m_sounded[size_t(key)])
        return;
    m_down[size_t(key)] = true;
    m_sounded[size_t(key)] = true;
    m_lastPressed = key;
    out.push_back(Message(key, m_velocity));
}

void KeyboardLogic::Silence(int key, std::vector<Packed>& out)
{
    if (key < 0 || key > 127)
        return;
    const bool sounded = m_sounded[size_t(key)];
    m_down[size_t(key)] = false;
    m_sounded[size_t(key)] = false;
    if (sounded) {
        m_lastReleased = key;
        out.push_back(Message(key, 0));
    }
}

std::vector<KeyboardLogic::Packed> KeyboardLogic::LeftPress(int key)
{
    std::vector<Packed> out;
    m_capturing = true;
    m_dragKey = key;
    Sound(key, out);
    return out;
}

std::vector<KeyboardLogic::Packed> KeyboardLogic::Drag(int key)
{
    std::vector<Packed> out;
    if (!m_capturing || key == m_dragKey)
        return out;
    Silence(m_dragKey, out);
    m_dragKey = key;
    Sound(key, out);
    return out;
}

std::vector<KeyboardLogic::Packed> KeyboardLogic::LeftRelease()
{
    if (!m_capturing)
        return {};
    m_capturing = false;
    m_dragKey = -1;
    std::vector<Packed> out;
    for (int key = 0; key < 128; ++key)
        if (m_sounded[size_t(key)])
            Silence(key, out);
    return out;
}

std::vector<KeyboardLogic::Packed> KeyboardLogic::RightPress(int key)
{
    std::vector<Packed> out;
    if (key < 0 || key > 127)
        return out;
    if (m_sounded[size_t(key)])
        Silence(key, out);
    else
        Sound(key, out);
    return out;
}

std::vector<KeyboardLogic::Packed> KeyboardLogic::ReleaseAll()
{
    std::vector<Packed> out;
    for (int key = 0; key < 128; ++key)
        if (m_sounded[size_t(key)])
            Silence(key, out);
    m_down.reset();
    return out;
}

void KeyboardLogic::ShowPressed(int key)
{
    if (key >= 0 && key < 128)
        m_down[size_t(key)] = true;
}

void KeyboardLogic::ShowReleased(int key)
{
    if (key >= 0 && key < 128 && !m_sounded[size_t(key)])
        m_down[size_t(key)] = false;
}

}  // namespace kv
