#include "support/MidiFileReader.h"

#include <QProcess>
#include <sstream>

const MidiFileContents::Track* MidiFileContents::track(const std::string& name) const {
    for (const Track& t : tracks)
        if (t.name == name)
            return &t;
    return nullptr;
}

MidiFileContents ReadMidiFile(const QString& path) {
    MidiFileContents file;
    QProcess reader;
    // Debian's own Python, where python3-mido is installed (not one found first on PATH).
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(QUINTARO_SOURCE_DIR "/tests/support/smf_dump.py"), path});
    reader.waitForFinished(30000);
    if (reader.exitCode() != 0 || reader.exitStatus() != QProcess::NormalExit) {
        file.error = reader.readAllStandardError().toStdString();
        return file;
    }
    std::istringstream lines(reader.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "header") {
            words >> file.type;
        } else if (first == "track") {
            std::getline(words >> std::ws, file.tracks.emplace_back().name);
        } else if (!file.tracks.empty()) {
            auto& e = file.tracks.back().events.emplace_back(
                MidiFileContents::Event{std::stod(first), {}, 0, 0, 0});
            words >> e.type >> e.channel >> e.data1 >> e.data2;
        }
    }
    return file;
}
