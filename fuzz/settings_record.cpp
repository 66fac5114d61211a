// The settings record as a file holds it: RecordFromFile, DecodeSettings and the round trip
// through EncodeSettings.
//
// Input: the file's bytes. Bytes beyond the record's 775, when there are at least 300 of them,
// also fill every table with arbitrary values, which are encoded over the record (or over a
// foreign file's first 775 bytes) to check what the encoder does with values the fields cannot
// hold.
//
// Properties:
// - decoding gives tables whose every value lies in the range the windows rely on;
// - encoding the decoded tables over the record changes no byte the program does not own (and
//   not the main window's placement unless its state is Normal), decoding that gives the same
//   tables, and encoding once more gives the same bytes;
// - arbitrary tables encode to a record with the signature whose word fields decode to the
//   values clamped to what the fields hold, over the old bytes the program does not own (or a new
//   record's when the old bytes are not a record).
#include "FuzzCheck.h"
#include "app/Settings.h"
#include "app/WindowKinds.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Whether position `pos` (1-based) is a field EncodeSettings writes. The main window's placement
// (101-108) counts only when `placement` is set.
bool Owned(int pos, bool placement) {
    using namespace RecordPos;
    if (pos == Language || pos == Flag23 || pos == StatusBar || pos == MainState)
        return true;
    if (pos >= MasterKb(1) && pos <= MasterKb(MasterKbElement::Count))
        return true;
    if (pos >= MainTop && pos < MainTop + 8)
        return placement;
    if (pos >= PartParam(1, 0) && pos <= PartParam(16, PartRow::Count - 1))
        return true;
    return pos >= WindowRecord(WindowKind::FirstPart) &&
           pos < WindowRecord(WindowKind::LastStored) + WindowRecSize;
}

void CheckUnownedKept(const SettingsRecord& before, const SettingsRecord& after, bool placement) {
    for (int pos = 1; pos <= SettingsRecordLength; ++pos)
        if (!Owned(pos, placement))
            FUZZ_CHECK(RecordByte(before, pos) == RecordByte(after, pos),
                       "byte %d the program does not own changed from %d to %d", pos,
                       RecordByte(before, pos), RecordByte(after, pos));
}

bool PartValueInRange(int row, int v) {
    switch (row) {
    case PartRow::Channel:
        return v >= 1 && v <= 16;
    case PartRow::Transposition:
        return v <= 24;
    case PartRow::ClickKey:
    case PartRow::HoldNote:
        return v <= 1;
    case PartRow::KeyShift:
        return v <= 3;
    case PartRow::ProgramNumber:
        return v >= 1 && v <= 128;
    default:
        return row < PartRow::FirstSlider || row > PartRow::Chorus || v <= 127;
    }
}

bool MasterValueInRange(int element, int v) {
    if (element <= MasterKbElement::LastChannel || element == MasterKbElement::ClickKey ||
        element == MasterKbElement::HoldNote)
        return v == 0 || v == 1;
    if (element <= MasterKbElement::LastSlider)
        return v >= 0 && v <= 127;
    if (element == MasterKbElement::KeyShift)
        return v >= 0 && v <= 3;
    return v >= 0 && v <= 255;
}

bool PositionInRange(int v) {
    return v >= -16000 && v <= 16000;
}
bool SizeInRange(int v) {
    return v >= 0 && v <= 32767;
}

void CheckDecodedRanges(const SettingsTables& t) {
    FUZZ_CHECK(t.LanguageCode == 1 || t.LanguageCode == 2, "language %d", t.LanguageCode);
    for (int i = 1; i <= MasterKbElement::Count; ++i)
        FUZZ_CHECK(MasterValueInRange(i, t.MasterKbSettings[i]), "master element %d = %d", i,
                   t.MasterKbSettings[i]);
    for (int p = 1; p <= 16; ++p)
        for (int r = 0; r < PartRow::Count; ++r)
            FUZZ_CHECK(PartValueInRange(r, t.PartParams[p][r]), "part %d row %d = %d", p, r,
                       t.PartParams[p][r]);
    FUZZ_CHECK(PositionInRange(t.WindowExtras[WindowExtra::Top]) &&
                   PositionInRange(t.WindowExtras[WindowExtra::Left]) &&
                   SizeInRange(t.WindowExtras[WindowExtra::Height]) &&
                   SizeInRange(t.WindowExtras[WindowExtra::Width]),
               "main window %d %d %d %d", t.WindowExtras[1], t.WindowExtras[2], t.WindowExtras[3],
               t.WindowExtras[4]);
    FUZZ_CHECK(t.WindowExtras[WindowExtra::State] >= 0 && t.WindowExtras[WindowExtra::State] <= 255,
               "main window state %d", t.WindowExtras[WindowExtra::State]);
    for (int k = 0; k < static_cast<int>(t.WindowRecs.size()); ++k) {
        const WindowRec& w = t.WindowRecs[k];
        if (k < WindowKind::FirstPart || k > WindowKind::LastStored) {
            FUZZ_CHECK(w == WindowRec{}, "window record %d is no window but holds values", k);
            continue;
        }
        FUZZ_CHECK(w.Open >= 0 && w.Open <= 2, "window %d open %d", k, w.Open);
        FUZZ_CHECK(PositionInRange(w.Top) && PositionInRange(w.Left) && SizeInRange(w.Height) &&
                       SizeInRange(w.Width),
                   "window %d at %d %d size %d %d", k, w.Top, w.Left, w.Height, w.Width);
    }
}

void CheckSameTables(const SettingsTables& a, const SettingsTables& b) {
    FUZZ_CHECK(a.LanguageCode == b.LanguageCode && a.SettingsFlag23 == b.SettingsFlag23 &&
                   a.StatusBarVisible == b.StatusBarVisible,
               "language or flags differ");
    for (int i = 1; i <= MasterKbElement::Count; ++i)
        FUZZ_CHECK(a.MasterKbSettings[i] == b.MasterKbSettings[i], "master element %d: %d, %d", i,
                   a.MasterKbSettings[i], b.MasterKbSettings[i]);
    for (int p = 1; p <= 16; ++p)
        for (int r = 0; r < PartRow::Count; ++r)
            FUZZ_CHECK(a.PartParams[p][r] == b.PartParams[p][r], "part %d row %d: %d, %d", p, r,
                       a.PartParams[p][r], b.PartParams[p][r]);
    for (int i = 1; i <= WindowExtra::State; ++i)
        FUZZ_CHECK(a.WindowExtras[i] == b.WindowExtras[i], "main window element %d: %d, %d", i,
                   a.WindowExtras[i], b.WindowExtras[i]);
    for (int k = 0; k < static_cast<int>(a.WindowRecs.size()); ++k)
        FUZZ_CHECK(a.WindowRecs[k] == b.WindowRecs[k], "window record %d differs", k);
}

// Arbitrary tables from the bytes after the record: any int where the tables hold ints.
class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int integer() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        int result;
        std::memcpy(&result, &v, sizeof result);
        return result;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

SettingsTables ArbitraryTables(Reader& in) {
    SettingsTables t;
    t.LanguageCode = in.byte();
    t.SettingsFlag23 = in.byte() & 1;
    t.StatusBarVisible = in.byte() & 1;
    for (int i = 1; i <= MasterKbElement::Count; ++i)
        t.MasterKbSettings[i] = in.integer();
    for (int p = 1; p <= 16; ++p)
        for (int r = 0; r < PartRow::Count; ++r)
            t.PartParams[p][r] = in.byte();
    for (int i = WindowExtra::Top; i <= WindowExtra::Width; ++i)
        t.WindowExtras[i] = in.integer();
    // The state as the program holds it: one that a record can give back.
    t.WindowExtras[WindowExtra::State] = in.byte();
    for (int k = WindowKind::FirstPart; k <= WindowKind::LastStored; ++k) {
        WindowRec& w = t.WindowRecs[k];
        w.Open = in.byte() % 3;
        w.Top = in.integer();
        w.Left = in.integer();
        w.Height = in.integer();
        w.Width = in.integer();
    }
    return t;
}

void CheckArbitraryTables(const SettingsRecord& old, const SettingsTables& t) {
    const SettingsRecord r = EncodeSettings(old, t);
    FUZZ_CHECK(HasSignature(r), "an encoded record has no signature");
    // Bytes the program does not own come from the old record, or a new one's when the old bytes
    // are no record.
    const bool normal = t.WindowExtras[WindowExtra::State] == MainWindowState::Normal;
    CheckUnownedKept(HasSignature(old) ? old : NewSettingsRecord(), r, normal);

    SettingsTables back;
    DecodeSettings(r, back);
    CheckDecodedRanges(back);
    const auto position = [](int v) { return std::clamp(v, -16000, 16000); };
    const auto size = [](int v) { return std::clamp(v, 0, 32767); };
    if (normal) {
        FUZZ_CHECK(
            back.WindowExtras[WindowExtra::Top] == position(t.WindowExtras[WindowExtra::Top]) &&
                back.WindowExtras[WindowExtra::Left] ==
                    position(t.WindowExtras[WindowExtra::Left]) &&
                back.WindowExtras[WindowExtra::Height] ==
                    size(t.WindowExtras[WindowExtra::Height]) &&
                back.WindowExtras[WindowExtra::Width] == size(t.WindowExtras[WindowExtra::Width]),
            "main window placement not clamped");
    }
    FUZZ_CHECK(back.WindowExtras[WindowExtra::State] == t.WindowExtras[WindowExtra::State],
               "main window state %d read back as %d", t.WindowExtras[WindowExtra::State],
               back.WindowExtras[WindowExtra::State]);
    for (int k = WindowKind::FirstPart; k <= WindowKind::LastStored; ++k) {
        const WindowRec& w = t.WindowRecs[k];
        const WindowRec& b = back.WindowRecs[k];
        FUZZ_CHECK(b.Open == w.Open && b.Top == position(w.Top) && b.Left == position(w.Left) &&
                       b.Height == size(w.Height) && b.Width == size(w.Width),
                   "window %d: %d %d %d %d %d read back as %d %d %d %d %d", k, w.Open, w.Top,
                   w.Left, w.Height, w.Width, b.Open, b.Top, b.Left, b.Height, b.Width);
    }
    // Part values are bytes: one the windows can mean comes back as it was.
    for (int p = 1; p <= 16; ++p)
        for (int row = 0; row < PartRow::Count; ++row)
            if (PartValueInRange(row, t.PartParams[p][row]))
                FUZZ_CHECK(back.PartParams[p][row] == t.PartParams[p][row],
                           "part %d row %d: %d read back as %d", p, row, t.PartParams[p][row],
                           back.PartParams[p][row]);
    for (int i = 1; i <= MasterKbElement::Count; ++i)
        if (MasterValueInRange(i, t.MasterKbSettings[i]))
            FUZZ_CHECK(back.MasterKbSettings[i] == t.MasterKbSettings[i],
                       "master element %d: %d read back as %d", i, t.MasterKbSettings[i],
                       back.MasterKbSettings[i]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::optional<SettingsRecord> record = RecordFromFile(bytes);
    FUZZ_CHECK(record.has_value() ==
                   (size >= SettingsRecordLength &&
                    std::memcmp(data, SettingsSignature, std::strlen(SettingsSignature)) == 0),
               "a file of %zu bytes read as %s", size, record ? "a record" : "no record");

    if (record) {
        SettingsTables t;
        DecodeSettings(*record, t);
        CheckDecodedRanges(t);

        const SettingsRecord written = EncodeSettings(*record, t);
        CheckUnownedKept(*record, written,
                         t.WindowExtras[WindowExtra::State] == MainWindowState::Normal);
        SettingsTables again;
        DecodeSettings(written, again);
        CheckSameTables(t, again);
        FUZZ_CHECK(EncodeSettings(written, again) == written,
                   "encoding the tables read back changed the record");
    }

    constexpr std::size_t TableBytes = 300;
    if (size >= SettingsRecordLength + TableBytes) {
        SettingsRecord old;
        std::copy_n(data, old.size(), old.begin());
        Reader in(data + SettingsRecordLength, size - SettingsRecordLength);
        CheckArbitraryTables(old, ArbitraryTables(in));
    }
    return 0;
}
