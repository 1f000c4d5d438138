#include "Form_Maintain_Dialogs.h"

std::vector<TDBGridColumn> MaintainColumns(std::initializer_list<TMaintainColumn> columns) {
    std::vector<TDBGridColumn> result;
    for (const TMaintainColumn& c : columns) {
        TDBGridColumn column;
        column.FieldName = QLatin1String(c.Field);
        column.Title = c.Title ? QLatin1String(c.Title) : QString();
        column.Width = c.Width;
        column.Visible = !c.Hidden;
        column.ReadOnly = c.ReadOnly;
        column.DropDownRows = c.DropDownRows;
        column.Editor = c.Editor;
        result.push_back(column);
    }
    return result;
}
