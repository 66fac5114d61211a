#include "app/strings/StringTable.h"

#include <gtest/gtest.h>

TEST(StringTable, SamplesInBothLanguagesWithTheirTrailingBlanks) {
    const std::pair<int, const char*> samples[] = {
        {21, "Errore chiusura Dispositivo MIDI di uscita"},
        {221, "Output MIDI Device closing error"},
        {4, "Fi&nestra"},
        {204, "&Window"},
        {114, "Chiusura dispositivo MIDI di uscita"},
        {314, "Closing MIDI out device"},
        {17, "Parte "},
        {217, "Part "},
        {111, "Apertura di "},
        {311, "Opening "}};
    for (const auto& [id, text] : samples)
        EXPECT_EQ(LoadResString(id), QString::fromUtf8(text)) << id;
    EXPECT_EQ(ProductTitle, QStringLiteral("QuintaroV10 - Quin Taro v 1.0 "));
}

TEST(StringTable, EveryEntryHasBothLanguagesAndOthersAreEmpty) {
    int entries = 0;
    for (int n = 1; n <= 114; ++n) {
        EXPECT_EQ(LoadResString(n).isEmpty(), LoadResString(n + 200).isEmpty()) << n;
        entries += LoadResString(n).isEmpty() ? 0 : 1;
    }
    EXPECT_EQ(entries, 30);
    for (int id : {0, -1, 1, 115, 199, 200, 201, 315, 400})
        EXPECT_TRUE(LoadResString(id).isEmpty()) << id;
}
