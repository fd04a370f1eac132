#pragma once

// The controls library's entry points by export number. The program and the
// dialogs of other libraries reach the library through these numbers, so the
// numbers never change; a routine that is gone keeps its number unused.
namespace kv::exports {

inline constexpr int kInitialise = 2;         // Initialise(version)
inline constexpr int kReserved3 = 3;          // does nothing
inline constexpr int kModuleHandle = 10;      // ModuleHandle(): resources (logo, tips)
inline constexpr int kRegisterClasses = 11;   // RegisterClasses()
inline constexpr int kTextHeight = 12;        // TextHeight(widget)
inline constexpr int kScaleUnsigned = 13;     // ScaleUnsigned(a, b, c), controls/scale.h
inline constexpr int kDraw3DFrame = 14;       // Draw3DFrame(painter, rect, raised, rounded, doubled, thick)
inline constexpr int kSpinSetup = 15;         // SpinSetup(dialog, id, min, max, value)
inline constexpr int kSpinSetRange = 16;      // SpinSetRange(spin, min, max)
inline constexpr int kSpinGetValue = 17;      // SpinGetValue(spin)
inline constexpr int kSpinSetValue = 18;      // SpinSetValue(spin, value)
inline constexpr int kSpinSetConverted = 19;  // SpinSetConverted(spin, ok, value)
inline constexpr int kScaleSigned = 21;       // ScaleSigned(a, b, c), controls/scale.h
inline constexpr int kSliderSetup = 22;       // SliderSetup(dialog, id, min, max, position)

struct ExportEntry {
    int number;
    const char* name;
};

// Every entry point by number, in order; kvplib.h declares the routines.
inline constexpr ExportEntry kExportTable[] = {
    {kInitialise, "Initialise"},     {kReserved3, "Reserved3"},
    {kModuleHandle, "ModuleHandle"}, {kRegisterClasses, "RegisterClasses"},
    {kTextHeight, "TextHeight"},     {kScaleUnsigned, "ScaleUnsigned"},
    {kDraw3DFrame, "Draw3DFrame"},   {kSpinSetup, "SpinSetup"},
    {kSpinSetRange, "SpinSetRange"}, {kSpinGetValue, "SpinGetValue"},
    {kSpinSetValue, "SpinSetValue"}, {kSpinSetConverted, "SpinSetConverted"},
    {kScaleSigned, "ScaleSigned"},   {kSliderSetup, "SliderSetup"},
};

// Versions the library accepts from its caller; the program passes the last.
inline constexpr int kOldestVersion = 256;
inline constexpr int kVersion = 516;

inline constexpr bool VersionAccepted(int version)
{
    return version >= kOldestVersion && version <= kVersion;
}

}  // namespace kv::exports
