#pragma once

#include <QString>
#include <array>
#include <system_error>

// The General MIDI program-name table "QuintaroProgGM.txt": 191 fixed lines of 27 characters
// followed by CR LF. Records 1..144 are 16 families of a title and 8 programs; 145..191 the
// percussion key names of notes 35..81.
class ProgramNameTable {
  public:
    static constexpr int RecordCount = 191;
    static constexpr int RecordLength = 27;
    static constexpr int LineLength = 29;

    // Loads from the bytes of the file; a short file leaves blank records at the end.
    void loadFromBytes(const QByteArray& bytes);

    // Record 1..191, exactly 27 characters.
    const QString& record(int i) const { return records_.at(i - 1); }

    // Record number of program p (1..128).
    static int recordOfProgram(int program);

    std::array<QString, RecordCount> records_{};
};

// Name of the program, right-trimmed; empty unless bank is 1 or when program is not 1..128.
QString GMProgramName(const ProgramNameTable& table, int bank, int program, int unused);
// The first three characters of the same record; empty unless bank is 1.
QString GMProgramCode(const ProgramNameTable& table, int bank, int program, int unused);

// Opens the file (creating it empty when missing, as the fixed-record open does) and reads it.
// Returns the file's length in bytes, or -1 with `error` set.
qint64 LoadProgramNameFile(const QString& path, ProgramNameTable& table, std::error_code& error);
