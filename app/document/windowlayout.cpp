#include "app/document/windowlayout.h"

#include "app/document/viewtypes.h"
#include "platform/settingsstore.h"

namespace kv {
namespace {

void Put(std::vector<uint8_t>& out, int32_t v)
{
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(u >> (8 * i)));
}

int32_t Get(const std::vector<uint8_t>& in, size_t at)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t(in[at + size_t(i)]) << (8 * i);
    return int32_t(u);
}

std::string ClassKey(size_t n)
{
    return "Class" + std::to_string(n);
}

std::string PosKey(size_t n)
{
    return "Pos" + std::to_string(n);
}

}  // namespace

std::vector<uint8_t> EncodePlacement(const WindowPlacement& p)
{
    std::vector<uint8_t> out;
    out.reserve(kPlacementBytes);
    for (int32_t v : {int32_t(kPlacementBytes), p.flags, p.show, p.minX, p.minY, p.maxX, p.maxY, p.left,
                      p.top, p.right, p.bottom})
        Put(out, v);
    return out;
}

std::optional<WindowPlacement> DecodePlacement(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() != kPlacementBytes || Get(bytes, 0) != int32_t(kPlacementBytes))
        return std::nullopt;
    WindowPlacement p;
    p.flags = Get(bytes, 4);
    p.show = Get(bytes, 8);
    p.minX = Get(bytes, 12);
    p.minY = Get(bytes, 16);
    p.maxX = Get(bytes, 20);
    p.maxY = Get(bytes, 24);
    p.left = Get(bytes, 28);
    p.top = Get(bytes, 32);
    p.right = Get(bytes, 36);
    p.bottom = Get(bytes, 40);
    if (p.show < WindowPlacement::kNormal || p.show > WindowPlacement::kMaximised)
        p.show = WindowPlacement::kNormal;
    if (p.Width() <= 0 || p.Height() <= 0 || p.Width() > 1 << 16 || p.Height() > 1 << 16)
        return std::nullopt;
    return p;
}

void SaveWindowPositions(SettingsStore& store, const WindowPlacement& main,
                         const std::vector<OpenWindow>& windows)
{
    store.DeleteSection(kProgramAppKey, kPlacementsSection);
    store.WriteString(kProgramAppKey, kPlacementsSection, ClassKey(0), kMainFrameClass);
    store.WriteBinary(kProgramAppKey, kPlacementsSection, PosKey(0), EncodePlacement(main));
    size_t n = 1;
    for (const OpenWindow& w : windows) {
        const std::string_view name = ViewClassName(w.viewType);
        if (name.empty())
            continue;
        store.WriteString(kProgramAppKey, kPlacementsSection, ClassKey(n), std::string(name));
        store.WriteBinary(kProgramAppKey, kPlacementsSection, PosKey(n), EncodePlacement(w.placement));
        ++n;
    }
}

WindowLayout ReadWindowLayout(const SettingsStore& store)
{
    WindowLayout layout;
    const std::string app = kProgramAppKey;
    std::vector<uint8_t> bytes;
    if (store.GetString(app, kPlacementsSection, ClassKey(0), "") == kMainFrameClass &&
        store.GetBinary(app, kPlacementsSection, PosKey(0), bytes))
        layout.main = DecodePlacement(bytes);
    if (!layout.main)
        return layout;
    // A store cannot hold more windows than this; the bound keeps a
    // hand-edited section from running the loop for ever.
    for (size_t n = 1; n < 1000 && store.Has(app, kPlacementsSection, ClassKey(n)); ++n) {
        LayoutEntry entry;
        entry.className = store.GetString(app, kPlacementsSection, ClassKey(n), "");
        if (!store.GetBinary(app, kPlacementsSection, PosKey(n), bytes))
            continue;
        const std::optional<WindowPlacement> p = DecodePlacement(bytes);
        if (!p)
            continue;
        entry.placement = *p;
        layout.windows.push_back(std::move(entry));
    }
    return layout;
}

std::vector<RestoreAction> PlanRestore(const WindowLayout& layout, const std::vector<int>& openViewTypes)
{
    std::vector<RestoreAction> plan;
    std::vector<bool> placed(openViewTypes.size(), false);
    std::vector<int> opened(kLastViewType + 1, 0);
    for (const LayoutEntry& entry : layout.windows) {
        const int type = ViewTypeOfClass(entry.className);
        if (type == kNoView)
            continue;
        bool done = false;
        for (size_t i = 0; i < openViewTypes.size() && !done; ++i) {
            if (openViewTypes[i] == type && !placed[i]) {
                placed[i] = true;
                plan.push_back({RestoreAction::kPlace, int(i), type, entry.placement});
                done = true;
            }
        }
        if (done)
            continue;
        bool exists = opened[size_t(type)] > 0;
        for (size_t i = 0; i < openViewTypes.size(); ++i)
            exists |= openViewTypes[i] == type;
        if (IsSingleInstance(type) && exists)
            continue;
        ++opened[size_t(type)];
        plan.push_back({RestoreAction::kOpen, -1, type, entry.placement});
    }
    for (size_t i = 0; i < openViewTypes.size(); ++i)
        if (!placed[i])
            plan.push_back({RestoreAction::kClose, int(i), openViewTypes[i], {}});
    return plan;
}

WindowPlacement KeepSize(const WindowPlacement& saved, int32_t currentWidth, int32_t currentHeight)
{
    WindowPlacement p = saved;
    if (saved.show == WindowPlacement::kMaximised || currentWidth <= 0 || currentHeight <= 0)
        return p;
    p.right = p.left + currentWidth;
    p.bottom = p.top + currentHeight;
    return p;
}

std::optional<WindowPlacement> PlacementForClass(const WindowLayout& layout, const std::string& className)
{
    for (const LayoutEntry& entry : layout.windows)
        if (entry.className == className)
            return entry.placement;
    return std::nullopt;
}

}  // namespace kv
