#pragma once
// A history table of submitted time, as the reports read it, filled with plausible rows:
// a few hundred tasks over ten years of days, a handful of users, clients and projects.

#include "Components/RecordSet/TRecordSet.h"

#include <QString>

// Defines the history fields on an empty, inactive record set.
void DefineHistoryFields(TRecordSet& rs);

// Fills an open history record set with rows (deterministic for a given count).
void FillHistory(TRecordSet& rs, int rows);

// A history file of the given row count in the temporary directory, generated on first use.
QString HistoryFile(int rows);

// The first day number of the generated history (1 January 2000); rows cover ten years.
double HistoryStartDay();
