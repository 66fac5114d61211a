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

// How a window keeps its record (WindowRecs[kind]) while it is open; ChildWindow applies these
// for every kind. At load the record is marked open (Open 1) and the window placed as it says; at
// unload its normal placement is stored and Open goes back to 0, unless the program is closing
// (the window then comes back at the next start). Each kind states where it differs.
struct WindowRecordRules {
    // What a load does with a record that holds no size (a side at 0).
    enum class NoSize {
        Kept,           // the window is placed as stored; an empty side keeps the frame's size
        StandardShown,  // each empty side takes the standard size; the record is kept as read
        StandardStored, // a record missing either side gets the whole standard size, stored
    };
    NoSize noSize = NoSize::Kept;
    // In the normal state the window is never wider than its standard width nor lower than its
    // standard height.
    bool limited = false;
    // Every resize but a minimize stores the whole normal placement (Top, Left, Height, Width),
    // maximized included; otherwise a resize in the normal state stores Height and Width only.
    bool resizeStoresPlacement = false;
    // Open is 2 while the window is minimized and 1 again in the normal state; the window follows
    // every change of its state, not only of its size.
    bool openTwoWhileMinimized = false;
    // Closed while minimized, the window leaves its record as it was, Open included.
    bool minimizedCloseKeepsRecord = false;
};

// What the program knows of a window kind, wherever the kind is handled: the main window's
// factory, its reopening timers, Cascade and Maximize, the first-run settings and the window's
// own record.
struct WindowKindInfo {
    WindowSize standard; // the size Maximize gives back; empty for a kind without one
    WindowSize firstRun; // the size in the first-run window record
    bool restores;       // reopened at start with RestoringWindows set (no mirroring)
    WindowRecordRules record;
};

namespace detail {
constexpr std::array<WindowKindInfo, WindowKind::LastStored + 1> MakeWindowKindTable() {
    using NoSize = WindowRecordRules::NoSize;
    std::array<WindowKindInfo, WindowKind::LastStored + 1> t{};
    const WindowSize part{PartWindowHeight, PartWindowWidth};
    for (int k = WindowKind::FirstPart; k <= WindowKind::LastPart; ++k)
        t[k] = {part, part, true, {.noSize = NoSize::Kept, .limited = true}};
    t[WindowKind::MasterKb] = {{MasterKbHeight, MasterKbWidth},
                               {},
                               false,
                               {.noSize = NoSize::StandardStored, .limited = true}};
    t[WindowKind::Reserved] = {{}, {}, false, {}};
    const WindowSize volume{VolumeAllHeight, VolumeAllWidth};
    t[WindowKind::VolumeAll] = {
        volume, volume, true, {.noSize = NoSize::StandardShown, .limited = true}};
    const WindowRecordRules page{.noSize = NoSize::StandardShown,
                                 .limited = true,
                                 .resizeStoresPlacement = true,
                                 .minimizedCloseKeepsRecord = true};
    t[WindowKind::GMPage1] = {{GMPageHeight, GMPageWidth}, {}, false, page};
    t[WindowKind::GMPage2] = {{GMPageHeight, GMPageWidth}, {}, false, page};
    t[WindowKind::Notepad] = {{NotepadHeight, NotepadWidth},
                              {},
                              false,
                              {.noSize = NoSize::StandardStored, .openTwoWhileMinimized = true}};
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
