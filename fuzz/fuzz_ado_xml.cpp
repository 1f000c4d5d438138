// Fuzzes the store-file loader: any input either loads or raises EDatabaseError, and what
// loads writes back to a document that loads to the same bytes again.

#include "Components/Core/SysExceptions.h"
#include "Components/RecordSet/TRecordSet.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    TRecordSet rs;
    if (size > 0 && data[0] % 2 == 0) {
        // Half of the inputs load into defined fields, half take the file's schema.
        rs.AddField(QStringLiteral("JobId"), TFieldType::Integer);
        rs.AddField(QStringLiteral("TaskCode"), TFieldType::String, 10);
        rs.AddField(QStringLiteral("When"), TFieldType::DateTime);
        rs.AddField(QStringLiteral("Rate"), TFieldType::Currency);
        rs.AddField(QStringLiteral("Notes"), TFieldType::Memo);
    }
    try {
        rs.LoadFromBytes(input);
    } catch (const EDatabaseError&) {
        return 0;
    }
    const QByteArray written = rs.SaveToBytes();
    TRecordSet again;
    again.LoadFromBytes(written); // must not throw
    if (again.SaveToBytes() != written || again.RecordCount() != rs.RecordCount()) std::abort();
    return 0;
}
