#pragma once

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

// The standard size of a window kind, which the Maximize command gives back: false for a kind
// without one.
constexpr bool StandardWindowSize(int kind, int& height, int& width) {
    if (kind >= WindowKind::FirstPart && kind <= WindowKind::LastPart) {
        height = PartWindowHeight;
        width = PartWindowWidth;
    } else if (kind == WindowKind::MasterKb) {
        height = MasterKbHeight;
        width = MasterKbWidth;
    } else if (kind == WindowKind::VolumeAll) {
        height = VolumeAllHeight;
        width = VolumeAllWidth;
    } else if (kind == WindowKind::GMPage1 || kind == WindowKind::GMPage2) {
        height = GMPageHeight;
        width = GMPageWidth;
    } else if (kind == WindowKind::Notepad) {
        height = 4334;
        width = 6336;
    } else {
        return false;
    }
    return true;
}
