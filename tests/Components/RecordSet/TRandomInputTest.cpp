// Bounded random inputs for the loader and the filter parser (the suite's stand-in for the
// fuzz targets): nothing crashes, every failure is a record-set error, and whatever loads
// round-trips.

#include "Components/Core/SysExceptions.h"
#include "RecordSetFixtures.h"

#include <gtest/gtest.h>
#include <random>

TEST(RandomInput, MutatedStoreFilesLoadOrFailCleanly) {
    auto source = MakeTasks();
    for (int i = 0; i < 4; ++i)
        AddTask(*source, S("C%1&'<").arg(i), -i, i % 2, 39000 + i);
    const QByteArray valid = source->SaveToBytes();
    std::mt19937 random(7);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = valid;
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const qsizetype pos = qsizetype(random() % quint32(data.size() + 1));
            switch (random() % 4) {
            case 0:
                data.truncate(pos);
                break;
            case 1:
                if (pos < data.size()) data[pos] = char(random() % 256);
                break;
            case 2:
                data.insert(pos, "<'&\"/>=z:row#x0;"[random() % 16]);
                break;
            case 3:
                data.remove(pos, qsizetype(random() % 8));
                break;
            }
        }
        TRecordSet rs;
        if (round % 2) {
            rs.AddField(S("Code"), TFieldType::String, 10);
            rs.AddField(S("Day"), TFieldType::DateTime);
        }
        try {
            rs.LoadFromBytes(data);
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().startsWith(S("Cannot load 'stream': ")))
                << e.Message().toStdString();
            continue;
        }
        ++loaded;
        const QByteArray written = rs.SaveToBytes();
        TRecordSet again;
        ASSERT_NO_THROW(again.LoadFromBytes(written)) << written.toStdString();
        EXPECT_EQ(again.SaveToBytes(), written);
    }
    EXPECT_GT(loaded, 100);
}

TEST(RandomInput, RandomFilterTextsParseOrFailCleanly) {
    auto rs = MakeTasks();
    for (int i = 0; i < 3; ++i)
        AddTask(*rs, S("C%1").arg(i), i - 1, i % 2, 39000 + i);
    rs->SetFiltered(true);
    const char* pieces[] = {"Code", "Project", "Done",  "Day",  "Amount",     "Description",
                            "=",    "<>",      "<",     ">=",   "AND",        "OR",
                            "NOT",  "(",       ")",     "'C1'", "'it''s'",    "-3",
                            "1.5",  "True",    "False", "NULL", "03/03/2008", "#01/01/2000#",
                            "'",    "[Code]",  ".",     "--",   "x"};
    std::mt19937 random(11);
    int parsed = 0;
    for (int round = 0; round < 5000; ++round) {
        QString text;
        const int n = int(random() % 8);
        for (int i = 0; i < n; ++i)
            text += S(pieces[random() % std::size(pieces)]) + S(" ");
        try {
            rs->SetFilter(text);
            ++parsed;
            EXPECT_LE(rs->RecordCount(), 3);
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().contains(S("position"))) << e.Message().toStdString();
        }
    }
    EXPECT_GT(parsed, 100);
}
