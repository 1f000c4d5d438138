#pragma once
// The layout of each report number; nullptr for a number without one.

#include <memory>

class TBaseReportXEP_BaseForm;
class TRecordSet;
class TdmTasks_Form;

std::unique_ptr<TBaseReportXEP_BaseForm> CreateReportLayout(int reportNumber, TdmTasks_Form& dm,
                                                            TRecordSet& reportDetails);
