#include "app/strings/StringTable.h"

#include "app/strings/Translation.h"

#include <QtGlobal>
#include <algorithm>
#include <array>

namespace {

// One entry of the table: its English text, the source of its translations. Entry n of
// language L is id n + LanguageBaseOf(L).
struct Entry {
    int entry;
    const char* english;
};

// Kept in ascending order of `entry` for the binary search below. Texts are UTF-8.
constexpr std::array<Entry, 46> Table{{
    {2, QT_TRANSLATE_NOOP("StringTable", "&File")},
    {3, QT_TRANSLATE_NOOP("StringTable", "&View")},
    {4, QT_TRANSLATE_NOOP("StringTable", "&Window")},
    {5, QT_TRANSLATE_NOOP("StringTable", "&About QuintaroV1.0")},
    {7, QT_TRANSLATE_NOOP("StringTable", "E&xit")},
    {8, QT_TRANSLATE_NOOP("StringTable", "&Close")},
    {9, QT_TRANSLATE_NOOP("StringTable", "&Cascade")},
    {10, QT_TRANSLATE_NOOP("StringTable", "Notebook")},
    {11, QT_TRANSLATE_NOOP("StringTable", "Maximize")},
    {15, QT_TRANSLATE_NOOP("StringTable", "File not found")},
    {17, QT_TRANSLATE_NOOP("StringTable", "Part ")},
    {18, QT_TRANSLATE_NOOP("StringTable", "Output MIDI Device already in use")},
    {19, QT_TRANSLATE_NOOP("StringTable", "Output MIDI Device error")},
    {20, QT_TRANSLATE_NOOP("StringTable", "Output MIDI Device not found")},
    {21, QT_TRANSLATE_NOOP("StringTable", "Output MIDI Device closing error")},
    {26, QT_TRANSLATE_NOOP("StringTable", "Disk not ready or not formatted")},
    {27, QT_TRANSLATE_NOOP("StringTable", "Disk reading error")},
    {38, QT_TRANSLATE_NOOP("StringTable", "Volume All Parts")},
    {62, QT_TRANSLATE_NOOP("StringTable", "&Preferences")},
    {63, QT_TRANSLATE_NOOP("StringTable", "&Language")},
    {64, QT_TRANSLATE_NOOP("StringTable", "Italian")},
    {65, QT_TRANSLATE_NOOP("StringTable", "English")},
    {66, QT_TRANSLATE_NOOP("StringTable",
                           "The change will take place next time you will run the programme")},
    {84, QT_TRANSLATE_NOOP("StringTable", "Change language")},
    // The captions of the controller sliders (SliderTable.h), the same in both languages.
    {85, QT_TRANSLATE_NOOP("StringTable", "Volume")},
    {86, QT_TRANSLATE_NOOP("StringTable", "Pan")},
    {87, QT_TRANSLATE_NOOP("StringTable", "Vel On")},
    {88, QT_TRANSLATE_NOOP("StringTable", "Vel Off")},
    {89, QT_TRANSLATE_NOOP("StringTable", "Att Time")},
    {90, QT_TRANSLATE_NOOP("StringTable", "Rel Time")},
    {91, QT_TRANSLATE_NOOP("StringTable", "Bend")},
    {92, QT_TRANSLATE_NOOP("StringTable", "Mod 1")},
    {93, QT_TRANSLATE_NOOP("StringTable", "Mod 2")},
    {94, QT_TRANSLATE_NOOP("StringTable", "Reverb")},
    {95, QT_TRANSLATE_NOOP("StringTable", "Chorus")},
    {103, QT_TRANSLATE_NOOP("StringTable", "Show Status Bar")},
    {104, QT_TRANSLATE_NOOP("StringTable", "Velocity from the click's height")},
    // Names that a screen reader reads for controls without a caption of their own.
    {105, QT_TRANSLATE_NOOP("StringTable", "Keyboard")},
    {106, QT_TRANSLATE_NOOP("StringTable", "Transposition")},
    {107, QT_TRANSLATE_NOOP("StringTable", "Program")},
    {108, QT_TRANSLATE_NOOP("StringTable", "MIDI Channel ")},
    {110, QT_TRANSLATE_NOOP("StringTable", "Path not found")},
    {111, QT_TRANSLATE_NOOP("StringTable", "Opening ")},
    {112, QT_TRANSLATE_NOOP("StringTable", "Error I/O device")},
    {113, QT_TRANSLATE_NOOP("StringTable", "Opening MIDI out device")},
    {114, QT_TRANSLATE_NOOP("StringTable", "Closing MIDI out device")},
}};

static_assert(std::is_sorted(Table.begin(), Table.end(),
                             [](const Entry& a, const Entry& b) { return a.entry < b.entry; }));

constexpr int BlockSize = 200; // ids of one language
constexpr int Languages = 2;   // Italian and English
constexpr int LastEntry = 114;

} // namespace

QString LoadResString(int id) {
    if (id < 0 || id >= Languages * BlockSize)
        return {};
    const int entry = id % BlockSize;
    if (entry < 1 || entry > LastEntry)
        return {};
    const auto it = std::lower_bound(Table.begin(), Table.end(), entry,
                                     [](const Entry& e, int n) { return e.entry < n; });
    if (it == Table.end() || it->entry != entry)
        return {};
    return Language::ofBase(id - entry).translate("StringTable", it->english);
}
