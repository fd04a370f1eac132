#pragma once

#include <QFrame>

namespace kv {

// Its window text in a sunken frame, in the font it is given; clicks notify
// code 1, double clicks code 2.
class KVStatusControl : public QFrame {
    Q_OBJECT
public:
    explicit KVStatusControl(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return m_text; }

signals:
    void notify(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString m_text;
};

}  // namespace kv
