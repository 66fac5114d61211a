// The master keyboard's zones through its real windows and the recording port: a split and a layer
// played by clicks and the input; each Note Off where its Note On went whatever changed
// meanwhile; the marks under the keys; the zones in the preferences file, read at the load.
#include "../part/PartHost.h"
#include "app/Preferences.h"
#include "ui/masterkb/ZonesDialog.h"

#include <QAccessible>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

struct MasterKbZones : ::testing::Test, PartHost {
    MasterKbZones() { // channels 2 and 3 on, Vel On 0x50 and 0x51, Vel Off 0x40 and 0x41
        for (int n = 1; n <= 16; ++n)
            t.state.MasterKbSettings.at(n) = n == 2 || n == 3;
        row(2, PartRow::VelocityOn) = 0x50, row(3, PartRow::VelocityOn) = 0x51;
        row(2, PartRow::VelocityOff) = 0x40, row(3, PartRow::VelocityOff) = 0x41;
    }
    // The keys of these notes clicked (or "press", "release") on the master keyboard.
    void play(const std::string& verb, std::initializer_list<int> notes) {
        std::string script = verb;
        for (int note : notes)
            script += ' ' + std::to_string(note - w->keys.keyBase());
        w->keys.act(script);
    }
    // Messages as a MIDI keyboard sends them to the input.
    void in(std::initializer_list<std::vector<std::uint8_t>> messages) {
        for (const auto& m : messages)
            t.state.midiIn.handler()(m);
    }
    frmMasterKb* master() { return main.MasterKbWindow(); }
    // The keys marked where a zone begins (1) or ends (2), and what a screen reader hears there.
    QString edges() {
        auto* kb = QAccessible::queryAccessibleInterface(w->keys.control("Frame1"));
        QStringList all;
        for (int k = 0; k < Keyboard::KeyCount; ++k)
            if (const int e = w->keys.keys()->zoneEdges(k))
                all << QString("%1 %2 ").arg(w->keys.keyBase() + k).arg(e) +
                           kb->child(k)->text(QAccessible::Description);
        return all.join("; ");
    }
    // The Zones window's control `name` of channel n.
    template <class T> T* cell(const char* name, int n) {
        return master()->findChild<T*>(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(n));
    }
    QComboBox* low(int n) { return cell<QComboBox>("ZoneLow", n); }
    QComboBox* high(int n) { return cell<QComboBox>("ZoneHigh", n); }
    std::optional<MasterKbDriver> w;
};

TEST_F(MasterKbZones, ASplitAndALayerSendEachNoteToItsZonesAndEndItWhereItWent) {
    w.emplace(openMaster());
    w->keys.act("CommZone");
    ASSERT_TRUE(master()->findChild<ZonesDialog*>()->isVisible());
    EXPECT_EQ(low(2)->itemText(0) + ' ' + low(2)->itemText(60) + ' ' + high(16)->itemText(127) +
                  ' ' + ZonesDialog::NoteName(61, true),
              "C-1 C4 G9 Do# 4");
    // Its boxes are the master keyboard's, both ways.
    QTest::mouseClick(cell<QCheckBox>("ZoneOn", 1), Qt::LeftButton);
    EXPECT_TRUE(w->channelBox(1)->isChecked() && t.state.MasterKbSettings.at(1) == 1);
    w->channelBox(1)->click();
    EXPECT_FALSE(cell<QCheckBox>("ZoneOn", 1)->isChecked());

    // Bass an octave down below middle C on channel 2, middle C and up on channel 3.
    high(2)->setCurrentIndex(59);
    cell<QSpinBox>("ZoneTranspose", 2)->setValue(-12);
    low(3)->setCurrentIndex(60);
    EXPECT_EQ(edges(), "59 2 zone end channel 2; 60 1 zone start channel 3");
    out();
    play("click", {59, 60});
    EXPECT_EQ(out(), "91 2f 50 81 2f 40 92 3c 51 82 3c 41");
    // The input through the master keyboard, its velocities kept; the pedal to every channel on.
    in({{0x90, 40, 0x64}, {0x93, 72, 0x65}, {0x80, 40, 0x20}, {0x90, 72, 0}, {0xB0, 64, 0x7f}});
    EXPECT_EQ(out(), "91 1c 64 92 48 65 81 1c 20 82 48 40 b1 40 7f b2 40 7f");

    // A layer: channel 2 an octave up over channel 3 on every key.
    master()->setZone(2, {0, 127, 12});
    master()->setZone(3, {0, 127, 0});
    play("click", {48});
    EXPECT_EQ(out(), "91 3c 50 92 30 51 81 3c 40 82 30 41");
    EXPECT_EQ(edges(), "");

    // Changed while a key and an input note are down: channel 2's zone moves to middle C and
    // up, channel 3 goes off. Their Note Offs still go where the Note Ons went.
    play("press", {48});
    in({{0x90, 50, 0x70}});
    EXPECT_EQ(out(), "91 3c 50 92 30 51 91 3e 70 92 32 70");
    master()->setZone(2, {60, 127, 0});
    w->channelBox(3)->click();
    play("release", {48});
    in({{0x80, 50, 0x22}});
    EXPECT_EQ(out(), "81 3c 40 82 30 41 81 3e 22 82 32 22");
    w->keys.act("shift 3");
    EXPECT_EQ(edges(), "60 1 zone start channel 2");
    // A highest note chosen below the lowest takes the lowest with it, and the other way round.
    high(2)->setCurrentIndex(40);
    EXPECT_EQ(master()->zone(2), (Zone{40, 40, 0}));
    low(2)->setCurrentIndex(72);
    EXPECT_EQ(RememberedZones()[1], (Zone{72, 72, 0})); // kept at once
    // Learnt from the next two notes played, here from the input, lowest or highest first.
    QTest::mouseClick(cell<QPushButton>("ZoneLearn", 2), Qt::LeftButton);
    in({{0x90, 70, 1}, {0x90, 70, 0}, {0x90, 50, 1}, {0x90, 50, 0}, {0x90, 30, 1}});
    EXPECT_EQ(master()->zone(2), (Zone{50, 70, 0}));
}

TEST_F(MasterKbZones, ZonesAreKeptInThePreferencesAndABadValueKeepsTheDefaultForItsChannel) {
    Zones zones;
    zones[0] = {21, 108, -24}, zones[15] = {0, 0, 24};
    ASSERT_TRUE(RememberZones(zones));
    EXPECT_EQ(RememberedZones(), zones);
    QSettings file(PreferencesFile(), QSettings::IniFormat);
    EXPECT_EQ(file.value("zones/16/transpose").toInt() * 1000 + file.value("zones/1/low").toInt(),
              24021);
    // Each of these spoils its channel's zone alone; channel 5's is whole.
    const std::pair<const char*, QVariant> values[] = {
        {"zones/1/low", 109},  {"zones/2/high", 128},      {"zones/3/low", -1},
        {"zones/4/low", "C4"}, {"zones/6/transpose", -25}, {"zones/5/low", 30}};
    for (const auto& [key, value] : values)
        file.setValue(key, value);
    file.sync();
    Zones expected = zones;
    expected[0] = Zone{}, expected[4] = {30, 127, 0};
    EXPECT_EQ(RememberedZones(), expected);
    // The window reads them at its load, and refuses an invalid zone.
    openMaster();
    master()->setZone(16, {70, 60, 0});
    master()->setZone(2, {0, 127, 25});
    EXPECT_TRUE(master()->zone(5) == expected[4] && master()->zone(16) == expected[15] &&
                master()->zone(2) == Zone{});
}

} // namespace
