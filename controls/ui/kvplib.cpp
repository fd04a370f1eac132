#include "controls/ui/kvplib.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "controls/tips.h"
#include "controls/ui/kvslider.h"
#include "controls/ui/kvspinbutton.h"

namespace kv {

namespace {

const char* const kIdProperty = "kvId";
int g_textHeight = 0;

}  // namespace

bool Initialise(int version)
{
    if (!exports::VersionAccepted(version) || QApplication::instance() == nullptr)
        return false;
    QFont font = QApplication::font();
    font.setPointSize(8);
    const QFontMetrics metrics(font);
    g_textHeight = metrics.height() + metrics.leading();
    return RegisterClasses();
}

void Reserved3() {}

QString ModuleHandle()
{
    return QStringLiteral(":/kvplib/");
}

bool RegisterClasses()
{
    return QFile::exists(ModuleHandle() + QStringLiteral("tips.txt"));
}

int TextHeight(const QWidget* widget)
{
    const QFontMetrics metrics =
        widget != nullptr ? widget->fontMetrics() : QFontMetrics(QApplication::font());
    return metrics.height() + metrics.leading() + 10;
}

void Draw3DFrame(QPainter& painter, const QRect& rect, bool raised, bool rounded, bool doubled, bool thick)
{
    const QPalette palette = QApplication::palette();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, rounded);
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = raised ? light : dark;
    const QColor bottomRight = raised ? dark : light;
    const int width = thick ? 2 : 1;
    const int radius = rounded ? 3 : 0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.color(QPalette::Button));
    painter.drawRoundedRect(rect, radius, radius);
    const int rings = doubled ? 2 : 1;
    for (int ring = 0; ring < rings; ++ring) {
        const QRectF r = QRectF(rect).adjusted(0.5 + ring * width, 0.5 + ring * width, -0.5 - ring * width,
                                               -0.5 - ring * width);
        // The inner ring of a doubled frame is the opposite edge, as a groove.
        const bool swap = ring == 1;
        QPainterPath upper;
        upper.moveTo(r.bottomLeft());
        upper.lineTo(r.topLeft());
        upper.lineTo(r.topRight());
        QPainterPath lower;
        lower.moveTo(r.topRight());
        lower.lineTo(r.bottomRight());
        lower.lineTo(r.bottomLeft());
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(swap ? bottomRight : topLeft, width));
        painter.drawPath(upper);
        painter.setPen(QPen(swap ? topLeft : bottomRight, width));
        painter.drawPath(lower);
    }
    painter.restore();
}

void SetControlId(QWidget* control, int id)
{
    if (control != nullptr)
        control->setProperty(kIdProperty, id);
}

int ControlId(const QWidget* control)
{
    if (control == nullptr)
        return -1;
    const QVariant v = control->property(kIdProperty);
    return v.isValid() ? v.toInt() : -1;
}

QWidget* FindControl(QWidget* dialog, int id)
{
    if (dialog == nullptr)
        return nullptr;
    for (QWidget* child : dialog->findChildren<QWidget*>())
        if (ControlId(child) == id)
            return child;
    return nullptr;
}

bool SpinSetup(QWidget* dialog, int id, int min, int max, int value)
{
    auto* spin = qobject_cast<KVSpinButton*>(FindControl(dialog, id));
    if (spin == nullptr)
        return false;
    QLineEdit* edit = nullptr;
    if ((spin->Style() & spin::kHasEdit) && !(spin->Style() & spin::kOwnEdit))
        edit = qobject_cast<QLineEdit*>(FindControl(dialog, id + 1));
    SpinSetup(spin, edit, min, max, value);
    return true;
}

void SpinSetup(KVSpinButton* spin, QLineEdit* edit, int min, int max, int value)
{
    if (spin == nullptr)
        return;
    if (edit != nullptr)
        spin->SetEdit(edit);
    spin->Setup(min, max, value);
}

int SpinSetRange(KVSpinButton* spin, int min, int max)
{
    return spin != nullptr ? spin->SetRange(min, max) : -1;
}

int SpinGetValue(KVSpinButton* spin)
{
    return spin != nullptr ? spin->GetValue() : 0;
}

int SpinSetValue(KVSpinButton* spin, int value)
{
    return spin != nullptr ? spin->SetValue(value) : -1;
}

void SpinSetConverted(KVSpinButton* spin, bool ok, int value)
{
    if (spin != nullptr)
        spin->SetConverted(ok, value);
}

bool SliderSetup(QWidget* dialog, int id, int min, int max, int position)
{
    auto* slider = qobject_cast<KVSlider*>(FindControl(dialog, id));
    if (slider == nullptr)
        return false;
    if (max <= min)
        max = min + 1;
    if (position < min || position > max)
        position = (min + max) / 2;
    slider->SetRange(int16_t(min), int16_t(max));
    slider->SetPosition(int16_t(position));
    return true;
}

QPixmap LoadLogo()
{
    return QPixmap(ModuleHandle() + QStringLiteral("kvlogo.png"));
}

std::vector<std::string> LoadTips()
{
    QFile file(ModuleHandle() + QStringLiteral("tips.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return ParseTips(std::string_view(data.constData(), size_t(data.size())));
}

}  // namespace kv
