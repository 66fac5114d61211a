#include "app/strings/StringTable.h"

#include <gtest/gtest.h>

TEST(StringTable, SameEntryInBothLanguages) {
    EXPECT_EQ(LoadResString(21), QString::fromUtf8("Errore chiusura Dispositivo MIDI di uscita"));
    EXPECT_EQ(LoadResString(221), QStringLiteral("Output MIDI Device closing error"));
    EXPECT_EQ(LoadResString(18), QString::fromUtf8("Dispositivo MIDI di uscita già in uso"));
    EXPECT_EQ(LoadResString(218), QStringLiteral("Output MIDI Device already in use"));
    EXPECT_EQ(LoadResString(66),
              QString::fromUtf8("Il cambio avrà effetto alla prossima esecuzione del programma"));
    EXPECT_EQ(LoadResString(266),
              QStringLiteral("The change will take place next time you will run the programme"));
    EXPECT_EQ(LoadResString(4), QStringLiteral("Fi&nestra"));
    EXPECT_EQ(LoadResString(204), QStringLiteral("&Window"));
    EXPECT_EQ(LoadResString(7), QStringLiteral("&Esci"));
    EXPECT_EQ(LoadResString(207), QStringLiteral("E&xit"));
    EXPECT_EQ(LoadResString(114), QStringLiteral("Chiusura dispositivo MIDI di uscita"));
    EXPECT_EQ(LoadResString(314), QStringLiteral("Closing MIDI out device"));
    EXPECT_EQ(LoadResString(2), LoadResString(202));
}

TEST(StringTable, TrailingBlanksAreKept) {
    EXPECT_EQ(LoadResString(17), QStringLiteral("Parte "));
    EXPECT_EQ(LoadResString(217), QStringLiteral("Part "));
    EXPECT_EQ(LoadResString(111), QStringLiteral("Apertura di "));
    EXPECT_EQ(LoadResString(311), QStringLiteral("Opening "));
    EXPECT_EQ(ProductTitle, QStringLiteral("QuintaroV10 - Quin Taro v 1.0 "));
}

TEST(StringTable, IdsWithoutTextAreEmpty) {
    for (int id : {0, -1, 1, 6, 12, 16, 115, 199, 200, 201, 206, 216, 315, 400, 1000})
        EXPECT_TRUE(LoadResString(id).isEmpty()) << id;
    // The product title belongs to no entry.
    for (int id = 0; id <= 320; ++id)
        EXPECT_NE(LoadResString(id), ProductTitle) << id;
}

TEST(StringTable, EveryEntryHasBothLanguages) {
    int entries = 0;
    for (int n = 1; n <= 114; ++n) {
        EXPECT_EQ(LoadResString(n).isEmpty(), LoadResString(n + 200).isEmpty()) << n;
        if (!LoadResString(n).isEmpty())
            ++entries;
    }
    EXPECT_EQ(entries, 30);
}
