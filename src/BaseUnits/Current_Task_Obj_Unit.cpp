#include "Current_Task_Obj_Unit.h"

#include "Components/Core/SysDateTime.h"

void TCurrentTask::SetDuration(double Value) {
    FDuration = Value;
    UpdateSelf();
}

void TCurrentTask::AddASecond() {
    FDuration += 1.0 / SecondsPerDay;
    UpdateSelf();
}

void TCurrentTask::UpdateSelf() {
    if (!FTaskCode.isEmpty() && FDuration > 0)
        CurrentTaskDetail =
            FTaskCode + QLatin1Char(' ') + FormatDayNumber(QStringLiteral("hh:mm:ss"), FDuration);
    else
        CurrentTaskDetail.clear();
}
