#include "app/settings/editorkeys.h"

#include <algorithm>
#include <array>
#include <climits>

namespace kv {
namespace {

constexpr EditorKey Num(const char* name, int32_t Settings::*member, int32_t low, int32_t high,
                        OutOfRange fix = OutOfRange::Clamp)
{
    return {name, member, nullptr, low, high, fix};
}

constexpr EditorKey Flag(const char* name, bool Settings::*member)
{
    return {name, nullptr, member, 0, 1, OutOfRange::Clamp};
}

constexpr int32_t kLastPort = 31;

const std::array kKeys = {
    Num("SysExSize", &Settings::sysExSize, 1, 1024),
    Flag("RelStart", &Settings::relStart),
    Flag("Thru", &Settings::thru),
    Num("Remap", &Settings::remap, 0, 2, OutOfRange::Default),
    Num("RecFltr", &Settings::recFltr, 0, 255, OutOfRange::Default),
    Flag("SysExcl", &Settings::sysExcl),
    Flag("RealTime", &Settings::realTime),
    Num("SyncMode", &Settings::syncMode, 0, 3, OutOfRange::Default),
    Flag("AutoStart", &Settings::autoStart),
    Num("Metro", &Settings::metro, 0, 2, OutOfRange::Default),
    Num("CountIn", &Settings::countIn, 0, 999),
    Flag("RecOnly", &Settings::recOnly),
    Flag("CntRec", &Settings::cntRec),
    Num("MetPort", &Settings::metPort, 0, kLastPort),
    Num("ThruPort", &Settings::thruPort, 0, kLastPort),
    Num("RTPort", &Settings::rtPort, 0, kLastPort),
    Num("SysXPort", &Settings::sysXPort, 0, kLastPort),
    Num("PatchBse", &Settings::patchBse, 0, 1, OutOfRange::Default),
    Num("MiddleC", &Settings::middleC, -2, 1),
    Flag("SoundIt", &Settings::soundIt),
    Flag("ROLPWhl", &Settings::rolPWhl),
    Flag("ROLSvPat", &Settings::rolSvPat),
    Flag("Triplet", &Settings::triplet),
    Flag("Dotted", &Settings::dotted),
    Num("NoteLen", &Settings::noteLen, 0, 6, OutOfRange::Default),
    Flag("AReset", &Settings::aReset),
    Flag("ARewind", &Settings::aRewind),
    Num("SXDelay", &Settings::sxDelay, 0, 1000),
    Num("Version", &Settings::version, INT32_MIN, INT32_MAX),
    Num("Timer", &Settings::timer, 1, 20),
    Flag("SortPatch", &Settings::sortPatch),
    Flag("SvSetting", &Settings::svSetting),
    Flag("WarnFile", &Settings::warnFile),
    Flag("WarnSysEx", &Settings::warnSysEx),
    Flag("WarnKV", &Settings::warnKV),
    Num("DefVelc", &Settings::defVelc, 1, 127),
    Num("PerSize", &Settings::perSize, 1, 1000),
    Flag("UseBAK", &Settings::useBAK),
    Flag("WarnCache", &Settings::warnCache),
    Flag("PatchCache", &Settings::patchCache),
    Num("TimeFmt", &Settings::timeFmt, 0, 4, OutOfRange::Default),
    Num("WAVEPrep", &Settings::wavePrep, 1, 999),
    Flag("WAVECutOff", &Settings::waveCutOff),
    Flag("SendRT", &Settings::sendRT),
    Flag("SendClk", &Settings::sendClk),
    Flag("SendSPP", &Settings::sendSPP),
    Flag("UseSPP", &Settings::useSPP),
    Flag("Chase", &Settings::chase),
    Flag("ChSysex", &Settings::chSysex),
    Flag("FreeWhl", &Settings::freeWhl),
    Flag("FastPlay", &Settings::fastPlay),
    Flag("Automate", &Settings::automate),
    Flag("SoundWave", &Settings::soundWave),
    Flag("Clean", &Settings::clean),
    Num("MetCh1", &Settings::metCh1, 0, 15),
    Num("MetCh2", &Settings::metCh2, 0, 15),
    Num("MetNt1", &Settings::metNt1, 0, 127),
    Num("MetNt2", &Settings::metNt2, 0, 127),
    Num("MetVc1", &Settings::metVc1, 0, 127),
    Num("MetVc2", &Settings::metVc2, 0, 127),
    Num("AutoSave", &Settings::autoSave, 1, 999),
    Flag("AutoSaveOn", &Settings::autoSaveOn),
    Num("UpdateTimer", &Settings::updateTimer, 0, 60000),
};

}  // namespace

std::span<const EditorKey> EditorKeys()
{
    return kKeys;
}

int32_t FixRange(const EditorKey& key, int32_t value, int32_t def)
{
    if (value >= key.low && value <= key.high)
        return value;
    if (key.outOfRange == OutOfRange::Default)
        return def;
    return std::clamp(value, key.low, key.high);
}

}  // namespace kv
