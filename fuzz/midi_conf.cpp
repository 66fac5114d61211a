// The remembered choice of MIDI ports, quintaro/midi.conf under XDG_CONFIG_HOME: the input bytes
// are the file, read by RememberedMidiChoice, StartOutputChoice and StartInputChoice; the choices
// read go to the choice parsing of CreatePortFor and MidiInput::open, then are written back with
// RememberMidiChoice and read again.
//
// Nothing named by the input is opened: a choice that could name a device or a file (one whose
// lower-case text holds "alsa", "jack" or "capture" anywhere, a superset of the kinds that open
// something) is not handed to CreatePortFor or MidiInput::open, and no port is opened.
// QUINTARO_SOUNDFONT names a file that does not exist, so the synthesizer looks for none.
//
// Properties:
// - the start-up choices are the remembered ones (no environment variable is set); the input's
//   is "none" when none is remembered;
// - CreatePortFor always gives a port; an input choice that names no device opens nothing, and
//   only an empty one or "none" counts as opened;
// - a choice remembered is stored as StableChoice gives it, over the file as the input has it;
//   over the file as the program writes it, remembering one key leaves the other as it was: for
//   the choices read, and for ALSA and JACK choices of a port name made of the input's bytes
//   (port names come from outside too);
// - a port name matches an empty filter and itself, is its own device, and with this program's
//   port name in it is one of the program's own.
#include "FuzzCheck.h"
#include "RunFolder.h"
#include "devices/PortKinds.h"
#include "midi/MidiPort.h"
#include "midi/ports/MidiInput.h"
#include "midi/ports/MidiMapper.h"
#include "midi/ports/PortIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString confPath;
long stamp = 0;

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// QSettings rereads a file only when its time or size changed since it last read it; the time has
// a millisecond's resolution. Each write gets a time of its own, so every read sees the file.
void NewTimestamp() {
    ++stamp;
    const timespec t[2] = {{1000000 + stamp / 1000, (stamp % 1000) * 1000000},
                           {1000000 + stamp / 1000, (stamp % 1000) * 1000000}};
    FUZZ_CHECK(::utimensat(AT_FDCWD, QFile::encodeName(confPath).constData(), t, 0) == 0,
               "cannot set the time of %s", qUtf8Printable(confPath));
}

QByteArray FileText() {
    QFile file(confPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool MayNameADevice(const QString& choice) {
    const QString lower = choice.toLower();
    return lower.contains(u"alsa") || lower.contains(u"jack") || lower.contains(u"capture");
}

// The value stored under `key`, as the file holds it.
QString Stored(const QString& key) {
    const QSettings file(confPath, QSettings::IniFormat);
    return file.value(key).toString();
}

// Remembers `choice` under `key`: the file then holds the choice as it is remembered
// (StableChoice), and, over a file QSettings wrote, the other key's value stays as it was.
// RememberMidiChoice's answer is not checked: over a file QSettings cannot read it writes the file
// anew but answers the format error, and a malformed line ("=value" in a section) comes back from
// its rewrite as a key QSettings then reads as a format error again. The program does not use
// that answer.
void CheckRemembered(const QString& key, const QString& choice, const QString& otherKey = {}) {
    const bool rewritten = !otherKey.isEmpty();
    const QString other = rewritten ? Stored(otherKey) : QString();
    RememberMidiChoice(key, choice);
    NewTimestamp();
    const QString stored = Stored(key);
    const QString expected = StableChoice(choice);
    FUZZ_CHECK(stored == expected, "%s \"%s\" (%d characters) stored as \"%s\" (%d) in:\n%s",
               qUtf8Printable(key), qUtf8Printable(expected), int(expected.size()),
               qUtf8Printable(stored), int(stored.size()), FileText().constData());
    RememberedMidiChoice(key);
    if (rewritten)
        FUZZ_CHECK(Stored(otherKey) == other, "remembering %s changed %s", qUtf8Printable(key),
                   qUtf8Printable(otherKey));
}

// A port's name as a device gives it, and a filter (or another port's name): the name matches an
// empty filter, itself and any part of itself, is its own device, and holds one of the program's
// own port names when one is in it.
void CheckPortName(const std::string& name, const std::string& other) {
    StablePortIdentity(name);
    FUZZ_CHECK(PortMatches(name, "") && PortMatches(name, name), "\"%s\" does not match itself",
               name.c_str());
    if (!name.empty())
        FUZZ_CHECK(PortMatches(name, name.substr(name.size() / 3, name.size() / 2)),
                   "\"%s\" does not match a part of itself", name.c_str());
    FUZZ_CHECK(name.empty() || SameDevice(name, name), "\"%s\" is not its own device",
               name.c_str());
    FUZZ_CHECK(IsOwnPort(name + OwnInputPortName) && IsOwnPort(OwnOutputPortName + name),
               "the program's own port is not known with \"%s\"", name.c_str());
    PortMatches(name, other);
    SameDevice(name, other);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qInstallMessageHandler(Quiet); // an unknown choice warns each time
    QTemporaryDir& folder = RunFolder();
    if (!folder.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    qputenv("QUINTARO_SOUNDFONT", QFile::encodeName(folder.filePath("none.sf2")));
    qunsetenv("QUINTARO_MIDI_OUT");
    qunsetenv("QUINTARO_MIDI_IN");
    new QCoreApplication(*argc, *argv);
    confPath = MidiChoiceFile();
    if (!confPath.startsWith(folder.path()))
        return 1;
    return QDir().mkpath(QFileInfo(confPath).path()) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        QFile file(confPath);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                       file.write(reinterpret_cast<const char*>(data), qint64(size)) ==
                           qint64(size),
                   "cannot write %s", qUtf8Printable(confPath));
    }
    NewTimestamp();

    const QString output = RememberedMidiChoice(QStringLiteral("output"));
    const QString input = RememberedMidiChoice(QStringLiteral("input"));
    FUZZ_CHECK(StartOutputChoice() == output, "the start-up output differs from the remembered");
    FUZZ_CHECK(StartInputChoice() == (input.isEmpty() ? QStringLiteral("none") : input),
               "the start-up input differs from the remembered");

    if (!MayNameADevice(output))
        FUZZ_CHECK(CreatePortFor(output) != nullptr, "no port for \"%s\"", qUtf8Printable(output));
    if (!MayNameADevice(input)) {
        MidiInput in;
        const bool opened = in.open(input);
        const QString value = input.trimmed();
        const bool none = value.isEmpty() || value.compare(u"none", Qt::CaseInsensitive) == 0;
        FUZZ_CHECK(!in.isOpen() && opened == none, "input \"%s\": open %d", qUtf8Printable(input),
                   int(opened));
        FUZZ_CHECK(opened || !in.lastError().empty(), "input \"%s\" failed without a reason",
                   qUtf8Printable(input));
    }

    // The first write turns the file into what QSettings writes; a file that is no INI file can
    // hide a key from reading that the rewrite then shows (a "[" line without its "]" makes a
    // section of the lines after it), so the other key is compared from then on only.
    CheckRemembered(QStringLiteral("output"), output);
    CheckRemembered(QStringLiteral("input"), RememberedMidiChoice(QStringLiteral("input")),
                    QStringLiteral("output"));
    const std::string name(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 120));
    // The whole input as a port's name, against the NAME of the remembered input choice.
    CheckPortName(std::string(reinterpret_cast<const char*>(data), size),
                  input.section(u':', 1).toStdString());
    for (const char* kind : {"alsa:", "jack:"})
        CheckRemembered(QStringLiteral("input"), kind + QString::fromStdString(name),
                        QStringLiteral("output"));
    return 0;
}
