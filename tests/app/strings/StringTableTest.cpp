#include "app/strings/StringTable.h"

#include <gtest/gtest.h>

TEST(StringTable, BothLanguagesWithTheirTrailingBlanksAndNothingOutside) {
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
    EXPECT_EQ(LoadResString(LanguageBaseOf(2) + 17), QStringLiteral("Part "));
    // Ids outside both blocks, or an entry the table does not hold, give no text.
    for (int id : {0, 1, 115, 200, 201, 315})
        EXPECT_TRUE(LoadResString(id).isEmpty()) << id;
}
