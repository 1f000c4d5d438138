#pragma once
// The task being timed: its code and its time today, with the text the main window shows
// ("GEN 01:23:45", or nothing when no task is timed).

#include <QString>

class TCurrentTask {
public:
    const QString& TaskCode() const { return FTaskCode; }
    // Stores the code only; the text follows with the next duration.
    void SetTaskCode(const QString& Value) { FTaskCode = Value; }
    double Duration() const { return FDuration; }
    void SetDuration(double Value);
    void AddASecond();
    void UpdateSelf();

    QString CurrentTaskDetail;

private:
    QString FTaskCode;
    double FDuration = 0;
};
