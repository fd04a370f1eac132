#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "controls/spinlogic.h"

namespace kv {

// The spin's own edit: a line edit that hands the Up and Down keys to the
// spin button it belongs to.
class KVSBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit KVSBEdit(QWidget* parent = nullptr);

    // Without scrolling (the spin's style 0x2000 off) typing stops where the
    // field is full, so the whole number is always in view.
    void SetScrolls(bool scrolls) { m_scrolls = scrolls; }
    bool Scrolls() const { return m_scrolls; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Fits(const QString& text) const;

    bool m_scrolls = true;
};

// A pair of arrows that steps a number, shown in an edit beside it (or
// inside it, style 0x1000). Each numbered message of the control is a
// method below; each notification to the parent is the notify() signal with
// its code (0x1001..0x1008), scroll messages are scrolled().
class KVSpinButton : public QWidget, private SpinHost {
    Q_OBJECT
public:
    explicit KVSpinButton(unsigned style = spin::kVertical | spin::kHasEdit, QWidget* parent = nullptr);
    ~KVSpinButton() override;

    unsigned Style() const { return m_logic.Style(); }
    void Setup(int32_t min, int32_t max, int32_t value) { m_logic.Setup(min, max, value); }

    uint32_t GetRange() const;                              // 1: min low word, max high word
    int32_t SetRange(int32_t min, int32_t max);             // 2
    int32_t GetValue();                                     // 3
    int32_t SetValue(int32_t value);                        // 4
    QLineEdit* Edit() const { return m_edit; }              // 5
    void SetEdit(QLineEdit* edit);                          // 6
    bool IsEmpty() const { return m_logic.IsEmpty(); }      // 7
    bool SetEmpty() { return m_logic.SetEmpty(); }          // 8
    bool IsPending() const { return m_logic.IsPending(); }  // 9
    void SetConverted(bool ok, int32_t value) { m_logic.SetConverted(ok, value); }  // 10
    int PendingStep() const { return m_logic.PendingStep(); }                       // 11
    void SetPendingStep(int step) { m_logic.SetPendingStep(step); }                 // 12

    // The value the spin holds, without reading the edit: what a parent
    // writes into the edit when asked with 0x1005.
    int32_t StoredValue() const { return m_logic.StoredValue(); }
    int32_t Minimum() const { return m_logic.Minimum(); }
    int32_t Maximum() const { return m_logic.Maximum(); }

    // The arrows' area inside the control (all of it without an own edit).
    QRect ArrowRect() const;
    // The repeat schedule runs on this clock (milliseconds); tests set their own.
    void SetClock(std::function<int64_t()> clock) { m_clock = std::move(clock); }
    // What the repeat timer does when it fires; public so tests can drive it.
    void RepeatTick();
    int RepeatInterval() const { return m_timer.isActive() ? m_timer.interval() : -1; }

signals:
    void notify(int code);
    void scrolled(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Notify(int code) override { emit notify(code); }
    std::string EditText() const override;
    void SetEditText(const std::string& text) override;
    void Scroll(int32_t value) override { emit scrolled(value); }

    int DirectionAt(QPoint p) const;
    void EndPress();
    void ScheduleRepeat();

    SpinLogic m_logic;
    QPointer<QLineEdit> m_edit;
    QTimer m_timer;
    std::function<int64_t()> m_clock;
    AutoRepeat m_repeat;
    int m_pressedDirection = 0;
    int m_pressedStep = 0;
    bool m_onArrow = false;
};

}  // namespace kv
