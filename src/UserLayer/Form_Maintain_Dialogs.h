#pragma once
// Shared construction of the master-data dialogs: a grid column list from a compact table.

#include "Components/DataControls/TDBGridModel.h"

#include <initializer_list>
#include <vector>

struct TMaintainColumn {
    const char* Field;
    const char* Title; // nullptr: no title
    int Width = 0;     // 0: the grid's default
    bool Hidden = false;
    bool ReadOnly = false;
    int DropDownRows = 0; // a lookup column's list length
    TDBGridEditor Editor = TDBGridEditor::Default;
};

std::vector<TDBGridColumn> MaintainColumns(std::initializer_list<TMaintainColumn> columns);
