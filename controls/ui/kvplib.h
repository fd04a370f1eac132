#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <string>
#include <vector>

#include "controls/exports.h"
#include "controls/scale.h"

class QLineEdit;
class QPainter;
class QWidget;

namespace kv {

class KVSlider;
class KVSpinButton;

// The library's exported routines; controls/exports.h gives their numbers.

// 2: fails unless the version is one this library serves (256..516); sets up
// the library's text metrics from its 8-point interface font.
bool Initialise(int version);
// 3: kept for its number.
void Reserved3();
// 10: where the library's resources live: the logo "KVLOGO" and the tips.
QString ModuleHandle();
// 11: the controls are C++ classes here; registering makes sure the
// resources are loaded. Returns true.
bool RegisterClasses();
// 12: the widget's font height plus its external leading plus 10.
int TextHeight(const QWidget* widget);
// 14: fills the rectangle with the button face colour and draws a raised or
// sunken edge, optionally rounded, doubled and two pixels thick.
void Draw3DFrame(QPainter& painter, const QRect& rect, bool raised, bool rounded, bool doubled, bool thick);
// 15: finds the spin with identifier id among the dialog's children and,
// when it has an edit field but no edit of its own, attaches control id + 1.
bool SpinSetup(QWidget* dialog, int id, int min, int max, int value);
void SpinSetup(KVSpinButton* spin, QLineEdit* edit, int min, int max, int value);
// 16 to 19: the spin's range and value routines.
int SpinSetRange(KVSpinButton* spin, int min, int max);
int SpinGetValue(KVSpinButton* spin);
int SpinSetValue(KVSpinButton* spin, int value);
void SpinSetConverted(KVSpinButton* spin, bool ok, int value);
// 22: like SpinSetup for a slider.
bool SliderSetup(QWidget* dialog, int id, int min, int max, int position);

// The control with that identifier among the dialog's children, or nullptr.
QWidget* FindControl(QWidget* dialog, int id);
// The identifier a dialog gives a control (the "kvId" property).
void SetControlId(QWidget* control, int id);
int ControlId(const QWidget* control);

// Resources: the logo bitmap and the 79 tip texts.
QPixmap LoadLogo();
std::vector<std::string> LoadTips();

// 20-byte colour record of a slider (five RGB words).
struct SliderColours {
    QColor face, track, thumb, highlight, shadow;
};

}  // namespace kv
