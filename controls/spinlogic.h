#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Style bits of a spin button, fixed at creation.
namespace spin {
inline constexpr unsigned kVertical = 0x0001;
inline constexpr unsigned kNotifyByCommand = 0x0008;
inline constexpr unsigned kReversed = 0x0010;
inline constexpr unsigned kHasEdit = 0x0020;
inline constexpr unsigned kAllowEmpty = 0x0040;
inline constexpr unsigned kJoinEdit = 0x0080;
inline constexpr unsigned kReportOutOfRange = 0x0100;
inline constexpr unsigned kNotifySetValue = 0x0200;
inline constexpr unsigned kKeepFocus = 0x0400;
inline constexpr unsigned kParentConverts = 0x0800;
inline constexpr unsigned kOwnEdit = 0x1000;
inline constexpr unsigned kOwnEditScrolls = 0x2000;

// Notification codes sent to the parent with the control's identifier.
inline constexpr int kRangeChanged = 0x1001;
inline constexpr int kValueChanged = 0x1002;
inline constexpr int kOutOfRange = 0x1003;
inline constexpr int kConvertText = 0x1004;
inline constexpr int kWriteText = 0x1005;
inline constexpr int kArrowReleased = 0x1006;
inline constexpr int kEditFocused = 0x1007;
inline constexpr int kEditUnfocused = 0x1008;

// Message numbers, counted from the first user message.
inline constexpr int kMsgGetRange = 1;
inline constexpr int kMsgSetRange = 2;
inline constexpr int kMsgGetValue = 3;
inline constexpr int kMsgSetValue = 4;
inline constexpr int kMsgGetEdit = 5;
inline constexpr int kMsgSetEdit = 6;
inline constexpr int kMsgIsEmpty = 7;
inline constexpr int kMsgSetEmpty = 8;
inline constexpr int kMsgIsPending = 9;
inline constexpr int kMsgSetConverted = 10;
inline constexpr int kMsgGetStep = 11;
inline constexpr int kMsgSetStep = 12;

// The first repeat comes after 400 ms, every later one after 50 ms.
inline constexpr int kFirstRepeatMs = 400;
inline constexpr int kRepeatMs = 50;
}  // namespace spin

// A spin's number as typed: leading blanks, an optional minus, digits,
// trailing blanks. Anything else, or a number beyond 32 bits, is no number.
std::optional<int32_t> ParseSpinNumber(std::string_view text);

// What the spin needs from its window and its parent. The widget forwards
// Notify to the parent as a signal; a parent answering kConvertText calls
// SetConverted before Notify returns.
class SpinHost {
public:
    virtual ~SpinHost() = default;
    virtual void Notify(int code) = 0;
    virtual std::string EditText() const = 0;
    // Rewrites the edit, selecting the whole text.
    virtual void SetEditText(const std::string& text) = 0;
    // A spin without an edit reports each step as a scroll with the new value.
    virtual void Scroll(int32_t value) = 0;
};

// The state and rules of one spin button, without a window.
class SpinLogic {
public:
    SpinLogic(unsigned style, SpinHost& host);

    unsigned Style() const { return m_style; }
    bool HasEdit() const { return m_hasEdit; }
    // The program attaches or creates the edit after construction.
    void SetHasEdit(bool hasEdit) { m_hasEdit = hasEdit; }

    int32_t Minimum() const { return m_min; }
    int32_t Maximum() const { return m_max; }
    int32_t StoredValue() const { return m_value; }

    // Returns the old range (min low word, max high word), or -1 when max < min.
    int32_t SetRange(int32_t min, int32_t max);
    // Reads the edit (or asks the parent) and returns the value clamped to
    // the range; under kReportOutOfRange an out-of-range text is reported and
    // the old value returned.
    int32_t GetValue();
    // Returns the old value, or -1 when the value is out of range and
    // kReportOutOfRange keeps it from being clamped.
    int32_t SetValue(int32_t value);
    void SetConverted(bool ok, int32_t value);
    // Steps by delta (1 or 10, negative for down) from the value read now.
    void Step(int delta);
    // The edit lost the focus: re-read the typed text and clamp.
    void Commit();
    // The edit's text changed by typing.
    void TextEdited(const std::string& text);

    bool IsEmpty() const { return m_empty; }
    // Clears the edit and enters the empty state; returns whether it was empty.
    bool SetEmpty();
    bool IsPending() const { return m_pending; }
    int PendingStep() const { return m_pendingStep; }
    void SetPendingStep(int step) { m_pendingStep = step; }

    // Spin's first setup: a degenerate range widens and a value outside it
    // moves to the middle.
    void Setup(int32_t min, int32_t max, int32_t value);

private:
    // The value the text stands for; nullopt when the text is invalid.
    std::optional<int64_t> ReadText(int step);
    void Display();
    bool InRange(int64_t v) const { return v >= m_min && v <= m_max; }
    int32_t Clamp(int64_t v) const;

    SpinHost& m_host;
    unsigned m_style;
    bool m_hasEdit = false;
    int32_t m_min = 0;
    int32_t m_max = 9;
    int32_t m_value = 5;
    bool m_empty = false;
    bool m_pending = false;
    bool m_convertedOk = false;
    int32_t m_converted = 0;
    int m_pendingStep = 0;
    bool m_converting = false;
};

// Which arrow a point in the arrow area hits: +1 up, -1 down. The upper (or
// right) half steps up unless the style reverses it.
int SpinArrowAt(unsigned style, int width, int height, int x, int y);

// The press-and-hold schedule of the arrows on a caller's clock, so that it
// can be driven in tests: one step at the press, one at 400 ms, then one
// every 50 ms while the pointer stays on the pressed arrow.
class AutoRepeat {
public:
    void Press(int64_t nowMs);
    void Release() { m_active = false; }
    bool Active() const { return m_active; }
    // The steps that became due up to now; none while the pointer is off
    // the arrow (the schedule goes on, so coming back resumes it).
    int Poll(int64_t nowMs, bool onArrow);
    int64_t NextDeadline() const { return m_next; }

private:
    bool m_active = false;
    int64_t m_next = 0;
};

}  // namespace kv
