#include "app/strings/StringTable.h"

#include <algorithm>
#include <array>

namespace {

// One entry of the table: the Italian text is id `entry`, the English text id `entry` + 200.
struct Entry {
    int entry;
    const char* italian;
    const char* english;
};

// Kept in ascending order of `entry` for the binary search below. Texts are UTF-8.
constexpr std::array<Entry, 46> Table{{
    {2, "&File", "&File"},
    {3, "&Visualizza", "&View"},
    {4, "Fi&nestra", "&Window"},
    {5, "Informazioni su QuintaroV1.0", "&About QuintaroV1.0"},
    {7, "&Esci", "E&xit"},
    {8, "&Chiudi", "&Close"},
    {9, "&Sovrapponi", "&Cascade"},
    {10, "Blocco Note", "Notebook"},
    {11, "Ingrandisci", "Maximize"},
    {15, "File assente", "File not found"},
    {17, "Parte ", "Part "},
    {18, "Dispositivo MIDI di uscita già in uso", "Output MIDI Device already in use"},
    {19, "Errore Dispositivo MIDI di uscita", "Output MIDI Device error"},
    {20, "Dispositivo MIDI di uscita assente", "Output MIDI Device not found"},
    {21, "Errore chiusura Dispositivo MIDI di uscita", "Output MIDI Device closing error"},
    {26, "Disco non pronto o non formattato", "Disk not ready or not formatted"},
    {27, "Errore di lettura da disco", "Disk reading error"},
    {38, "Volume Tutte le Parti", "Volume All Parts"},
    {62, "&Preferenze", "&Preferences"},
    {63, "&Lingua", "&Language"},
    {64, "Italiano", "Italian"},
    {65, "Inglese", "English"},
    {66, "Il cambio avrà effetto alla prossima esecuzione del programma",
     "The change will take place next time you will run the programme"},
    {84, "Cambio lingua", "Change language"},
    // The captions of the controller sliders (SliderTable.h), the same in both languages.
    {85, "Volume", "Volume"},
    {86, "Pan", "Pan"},
    {87, "Vel On", "Vel On"},
    {88, "Vel Off", "Vel Off"},
    {89, "Att Time", "Att Time"},
    {90, "Rel Time", "Rel Time"},
    {91, "Bend", "Bend"},
    {92, "Mod 1", "Mod 1"},
    {93, "Mod 2", "Mod 2"},
    {94, "Reverb", "Reverb"},
    {95, "Chorus", "Chorus"},
    {103, "Visualizza Barra di Stato", "Show Status Bar"},
    {104, "Velocità dall'altezza del clic", "Velocity from the click's height"},
    // Names that a screen reader reads for controls without a caption of their own.
    {105, "Tastiera", "Keyboard"},
    {106, "Trasposizione", "Transposition"},
    {107, "Programma", "Program"},
    {108, "Canale MIDI ", "MIDI Channel "},
    {110, "Impossibile trovare il percorso", "Path not found"},
    {111, "Apertura di ", "Opening "},
    {112, "Errore I/O periferica", "Error I/O device"},
    {113, "Apertura dispositivo MIDI di uscita", "Opening MIDI out device"},
    {114, "Chiusura dispositivo MIDI di uscita", "Closing MIDI out device"},
}};

static_assert(std::is_sorted(Table.begin(), Table.end(),
                             [](const Entry& a, const Entry& b) { return a.entry < b.entry; }));

constexpr int EnglishOffset = 200;
constexpr int LastEntry = 114;

} // namespace

QString LoadResString(int id) {
    bool english = false;
    int entry = id;
    if (id > EnglishOffset) {
        english = true;
        entry = id - EnglishOffset;
    }
    if (entry < 1 || entry > LastEntry)
        return {};
    const auto it = std::lower_bound(Table.begin(), Table.end(), entry,
                                     [](const Entry& e, int n) { return e.entry < n; });
    if (it == Table.end() || it->entry != entry)
        return {};
    return QString::fromUtf8(english ? it->english : it->italian);
}
