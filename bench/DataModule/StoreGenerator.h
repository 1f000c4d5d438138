#pragma once
// Stores for the data-module benchmarks: a portable install in a work directory with a set-up
// store of ordinary master data and a history of any length, written by the data module itself.

#include "UserLayer/data_Tasks_Unit.h"

#include <QString>

struct TStoreShape {
    int Tasks = 50;
    int TaskCodes = 200;
    int Projects = 40;
    int Clients = 12;
    int Users = 8;
    int HistoryRows = 20000;
};

// The options that open the store of a work directory without touching the user's registry or
// folders: App/Tivrel/tivrel beside a Portable.ini, data in Store/, the registry an .ini file.
TDataModuleOptions StoreOptions(const QString& workDir);
QString StoreDataDir(const QString& workDir);

// Writes a store of the given shape into the work directory.
void MakeStore(const QString& workDir, const TStoreShape& shape);

// Appends one history row of a plausible kind (a day's work on task code number index % 200).
void AppendHistoryRow(TRecordSet& history, int index);
