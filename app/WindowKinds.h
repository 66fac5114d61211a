#pragma once

#include <array>

// Window kinds: the index of a window's record in WindowRecs and the number it carries in its tag.
namespace WindowKind {
constexpr int FirstPart = 1;
constexpr int LastPart = 16;
constexpr int MasterKb = 17;
constexpr int Reserved = 18;
constexpr int VolumeAll = 19;
constexpr int GMPage1 = 20;
constexpr int GMPage2 = 21;
constexpr int Notepad = 22;
constexpr int LastStored = 22;

constexpr bool isPart(int kind) {
    return kind >= FirstPart && kind <= LastPart;
}
constexpr bool isGMPage(int kind) {
    return kind == GMPage1 || kind == GMPage2;
}
} // namespace WindowKind

// Standard window sizes in twips: the largest width and the smallest height each kind allows.
constexpr int PartWindowHeight = 5532;
constexpr int PartWindowWidth = 9288;
constexpr int MasterKbHeight = 5712;
constexpr int MasterKbWidth = 9288;
constexpr int VolumeAllHeight = 5700;
constexpr int VolumeAllWidth = 9372;
constexpr int GMPageHeight = 4896;
constexpr int GMPageWidth = 9540;
constexpr int NotepadHeight = 4334;
constexpr int NotepadWidth = 6336;

struct WindowSize {
    int height = 0;
    int width = 0;
    constexpr bool isEmpty() const { return height == 0 && width == 0; }
};

// What the program knows of a window kind, wherever the kind is handled: the main window's
// factory, its reopening timers, Cascade and Maximize, and the first-run settings.
struct WindowKindInfo {
    WindowSize standard; // the size Maximize gives back; empty for a kind without one
    WindowSize firstRun; // the size in the first-run window record
    bool restores;       // reopened at start with RestoringWindows set (no mirroring)
};

namespace detail {
constexpr std::array<WindowKindInfo, WindowKind::LastStored + 1> MakeWindowKindTable() {
    std::array<WindowKindInfo, WindowKind::LastStored + 1> t{};
    for (int k = WindowKind::FirstPart; k <= WindowKind::LastPart; ++k)
        t[k] = {{PartWindowHeight, PartWindowWidth}, {PartWindowHeight, PartWindowWidth}, true};
    t[WindowKind::MasterKb] = {{MasterKbHeight, MasterKbWidth}, {}, false};
    t[WindowKind::Reserved] = {{}, {}, false};
    t[WindowKind::VolumeAll] = {
        {VolumeAllHeight, VolumeAllWidth}, {VolumeAllHeight, VolumeAllWidth}, true};
    t[WindowKind::GMPage1] = {{GMPageHeight, GMPageWidth}, {}, false};
    t[WindowKind::GMPage2] = {{GMPageHeight, GMPageWidth}, {}, false};
    t[WindowKind::Notepad] = {{NotepadHeight, NotepadWidth}, {}, false};
    return t;
}
} // namespace detail

// Kinds 1..22; index 0 is no window.
inline constexpr std::array<WindowKindInfo, WindowKind::LastStored + 1> WindowKindTable =
    detail::MakeWindowKindTable();

// The table's entry for a kind; window records beyond the table (0, 23, 24) are no window.
constexpr WindowKindInfo KindInfo(int kind) {
    if (kind < WindowKind::FirstPart || kind > WindowKind::LastStored)
        return {};
    return WindowKindTable[static_cast<std::size_t>(kind)];
}
