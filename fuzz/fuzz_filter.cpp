// Fuzzes the filter parser: any text either parses or raises EDatabaseError, and a parsed
// filter evaluates over rows of every type without faults.

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TRecordSet.h"

#include <cstdint>

namespace {
TRecordSet& Table() {
    static TRecordSet* rs = [] {
        auto* t = new TRecordSet;
        t->AddField(QStringLiteral("S"), TFieldType::String, 10);
        t->AddField(QStringLiteral("I"), TFieldType::Integer);
        t->AddField(QStringLiteral("B"), TFieldType::Boolean);
        t->AddField(QStringLiteral("D"), TFieldType::DateTime);
        t->AddField(QStringLiteral("F"), TFieldType::Float);
        t->AddField(QStringLiteral("C"), TFieldType::Currency);
        t->AddField(QStringLiteral("M"), TFieldType::Memo);
        t->AddField(QStringLiteral("X"), TFieldType::Blob);
        t->CreateDataSet();
        for (int i = 0; i < 4; ++i) {
            t->Append();
            if (i > 0) {
                t->FieldByName(QStringLiteral("S")).SetAsString(QStringLiteral("ab%1").arg(i));
                t->FieldByName(QStringLiteral("I")).SetAsInteger(i - 2);
                t->FieldByName(QStringLiteral("B")).SetAsBoolean(i % 2);
                t->FieldByName(QStringLiteral("D")).SetAsDateTime(39000 + i);
                t->FieldByName(QStringLiteral("F")).SetAsFloat(i * 0.5);
                t->FieldByName(QStringLiteral("C")).SetAsCurrency(i * 1.25);
                t->FieldByName(QStringLiteral("M")).SetAsString(QStringLiteral("memo"));
            }
            t->Post();
        }
        t->SetFiltered(true);
        return t;
    }();
    return *rs;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TRecordSet& rs = Table();
    try {
        rs.SetFilter(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
        volatile int n = rs.RecordCount();
        (void)n;
    } catch (const EDatabaseError&) {
    }
    return 0;
}
