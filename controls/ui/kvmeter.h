#pragma once

#include <QColor>
#include <QWidget>

#include "controls/metermapping.h"

namespace kv {

// A bar filled to value / maximum with the percentage over it; clicks notify
// code 1, double clicks code 2.
class KVMeter : public QWidget {
    Q_OBJECT
public:
    explicit KVMeter(unsigned style = 0, QWidget* parent = nullptr);

    void SetMaximum(int maximum);                    // 0
    int Maximum() const { return m_maximum; }        // 1
    void SetValue(int value);                        // 2: redraws
    int Value() const { return m_value; }            // 3
    void SetTextColour(const QColor& colour);        // 4
    void SetBackgroundColour(const QColor& colour);  // 5
    QColor TextColour() const { return m_text; }
    QColor BackgroundColour() const { return m_background; }
    unsigned Style() const { return m_style; }
    QString MeterText() const;

signals:
    void notify(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect BarRect() const;

    unsigned m_style;
    int m_maximum = 100;
    int m_value = 50;
    QColor m_text;
    QColor m_background;
};

}  // namespace kv
