#pragma once
// Named constants shared by the windows and the data module.

constexpr int idsLastWeek = 1;
constexpr int idsLastMonth = 2;
constexpr int dsUnchanged = 0;
constexpr int dsModified = 1;
