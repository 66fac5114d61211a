// The captions come from Qt's translation files; each language must read byte for byte as the
// texts the program showed before: the string table by number, and the captions once written in
// the code as Italian/English pairs or as one text for both (kept as data files beside this test).
#include "app/strings/Translation.h"
#include "app/strings/StringTable.h"
#include "devices/PortKinds.h"
#include "midi/MidiPort.h"
#include "support/TestState.h"
#include "ui/dialogs/frmLingua.h"
#include "ui/main/SoundStatus.h"
#include "ui/main/frmMidi.h"

#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTextStream>
#include <gtest/gtest.h>
#include <map>

namespace {

// The lines of a data file beside this test, split at tabs; '#' lines are comments.
std::vector<QStringList> Rows(const char* name) {
    QFile file(QStringLiteral(QUINTARO_SOURCE_DIR "/tests/app/strings/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    std::vector<QStringList> rows;
    QTextStream in(&file);
    for (QString line; in.readLineInto(&line);)
        if (!line.startsWith(u'#'))
            rows.push_back(line.split(u'\t'));
    return rows;
}

} // namespace

TEST(Translation, EveryIdOfTheStringTableReadsAsBeforeInBothLanguages) {
    std::map<int, QString> before;
    for (const QStringList& row : Rows("string_table.txt"))
        before[row[0].toInt()] = row[1];
    ASSERT_EQ(before.size(), 92u);
    // Ids without a text, below, between and above the two blocks, stay empty.
    for (int id = -1; id <= 420; ++id)
        EXPECT_EQ(LoadResString(id), before.count(id) ? before[id] : QString()) << "id " << id;
}

TEST(Translation, TheCaptionsOnceWrittenAsPairsReadAsBefore) {
    const auto pairs = Rows("inline_pairs.txt");
    ASSERT_EQ(pairs.size(), 81u);
    for (const QStringList& row : pairs) {
        const QByteArray context = row[0].toUtf8(), source = row[1].toUtf8();
        EXPECT_EQ(Language(1).translate(context, source), row[2]) << row[1].toStdString();
        EXPECT_EQ(Language(2).translate(context, source), row[1]);
    }
    // The same texts where the program shows them.
    const std::pair<int, const char*> statuses[] = {
        {SoundStatus::ServerGone, "Suono perso: il server audio si è fermato, lo aspetto…"},
        {SoundStatus::OutputGone, "Suono perso: l'uscita audio si è chiusa, la riprovo…"},
        {SoundStatus::Lost, "Suono perso: l'uscita audio non torna, sceglila di nuovo…"}};
    for (const auto& [status, italian] : statuses)
        EXPECT_EQ(SoundStatusText(status, 1), QString::fromUtf8(italian));
    EXPECT_EQ(SoundStatusText(SoundStatus::Lost, 2),
              "Sound gone: the audio output cannot come back, choose it again…");
    const PortChoice none{"none", "none", {}};
    EXPECT_EQ(frmMidi::EntryText(none, 1, true) + frmMidi::EntryText(none, 1, false),
              "Nessun ingressoNessuna uscita");
    EXPECT_EQ(frmMidi::EntryText(none, 2, true) + frmMidi::EntryText(none, 2, false),
              "No inputNo output");
    // The language dialog asks in both languages before either is chosen.
    TestState t;
    frmLingua dialog(t.state);
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(),
              "Scegliere una lingua / Choose a language");
    EXPECT_EQ(dialog.findChild<QRadioButton*>("Option1_0")->text(), "Italiano");
    EXPECT_EQ(dialog.findChild<QRadioButton*>("Option1_1")->text(), "English");
}
