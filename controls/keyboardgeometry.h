#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

namespace kv {

namespace keyboard {
inline constexpr int kDefaultKeys = 37;
inline constexpr int kDefaultFirst = 48;
inline constexpr int kDefaultStatus = 0x90;
inline constexpr int kDefaultVelocity = 100;

// Message numbers, counted from the first user message.
inline constexpr int kMsgSetRange = 0;
inline constexpr int kMsgGetRange = 1;
inline constexpr int kMsgSetTemplate = 2;
inline constexpr int kMsgGetTemplate = 3;
inline constexpr int kMsgSetDownColour = 4;
inline constexpr int kMsgGetDownColour = 5;
inline constexpr int kMsgSetUpColour = 6;
inline constexpr int kMsgGetUpColour = 7;
inline constexpr int kMsgReleaseAll = 8;
inline constexpr int kMsgShowPressed = 9;
inline constexpr int kMsgShowReleased = 10;
// The message the parent receives for every press and release.
inline constexpr int kMsgKeyToParent = 206;
}  // namespace keyboard

bool IsBlackKey(int key);

struct KeyRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

// Where each key of the range lies in a control of the given size. White
// keys share the width equally; a black key takes the upper two thirds of
// the height and the outer thirds of its two white neighbours.
class KeyboardGeometry {
public:
    // The first key moves down to a white key; the range is cut to 0..127.
    KeyboardGeometry(int firstKey, int keyCount, int width, int height);

    int FirstKey() const { return m_first; }
    int KeyCount() const { return m_count; }
    int LastKey() const { return m_first + m_count - 1; }
    int WhiteCount() const { return int(m_whiteKeys.size()); }

    KeyRect Rect(int key) const;  // empty for a key outside the range
    // The key under a point, black keys first; -1 outside the control.
    int KeyAt(int x, int y) const;

private:
    int WhiteLeft(int index) const;
    int WhiteIndex(int key) const;  // index among the white keys, -1 when none

    int m_first;
    int m_count;
    int m_width;
    int m_height;
    std::vector<int> m_whiteKeys;
};

// The keys a keyboard control holds down and what it tells its parent: every
// press and release as status << 16 | key << 8 | velocity, velocity 0 for a
// release. Keys shown pressed by the program are not sounded and never
// reported; only keys the user sounded get a release.
class KeyboardLogic {
public:
    using Packed = uint32_t;

    void SetTemplate(int status, int velocity);
    // The template as status in bits 16..23 and velocity in bits 0..7.
    uint32_t Template() const { return uint32_t(m_status) << 16 | uint32_t(m_velocity); }

    // Mouse handling; each returns the messages for the parent, in order.
    // A left press sounds the key and captures; dragging moves the one sounded
    // key; the release silences every key the user sounded, latched ones too.
    std::vector<Packed> LeftPress(int key);
    std::vector<Packed> Drag(int key);
    std::vector<Packed> LeftRelease();
    std::vector<Packed> RightPress(int key);
    // Releases every key, the shown ones too; only sounded keys are reported.
    std::vector<Packed> ReleaseAll();

    void ShowPressed(int key);
    void ShowReleased(int key);

    bool IsDown(int key) const { return key >= 0 && key < 128 && m_down[size_t(key)]; }
    int LastPressed() const { return m_lastPressed; }
    int LastReleased() const { return m_lastReleased; }
    bool Dragging() const { return m_dragKey >= 0 || m_capturing; }

    Packed Message(int key, int velocity) const;

private:
    void Sound(int key, std::vector<Packed>& out);
    void Silence(int key, std::vector<Packed>& out);

    int m_status = keyboard::kDefaultStatus;
    int m_velocity = keyboard::kDefaultVelocity;
    std::bitset<128> m_down;
    std::bitset<128> m_sounded;
    int m_lastPressed = -1;
    int m_lastReleased = -1;
    int m_dragKey = -1;
    bool m_capturing = false;
};

}  // namespace kv
