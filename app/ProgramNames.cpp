#include "app/ProgramNames.h"

void ProgramNameTable::loadFromBytes(const QByteArray&) {}
int ProgramNameTable::recordOfProgram(int) { return 1; }
QString GMProgramName(const ProgramNameTable&, int, int, int) { return {}; }
QString GMProgramCode(const ProgramNameTable&, int, int, int) { return {}; }
qint64 LoadProgramNameFile(const QString&, ProgramNameTable&, std::error_code&) { return 0; }
