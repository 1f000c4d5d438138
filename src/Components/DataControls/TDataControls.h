#pragma once
// Shared plumbing of the data-aware controls: the one place record-set errors raised from a
// Qt event are reported, the conversion of Delphi-style edit masks, and the interface the
// row-panel grid uses to paint its rows through the template's controls.

#include "Components/Core/SysExceptions.h"

#include <QString>
#include <functional>
#include <vector>

class TDataControls {
public:
    // Called with every error a control catches while it talks to its record set from a Qt
    // event or slot (EAbort excepted: it is swallowed silently). The application installs its
    // error box here; by default the message goes to qWarning. It must not throw.
    static std::function<void(const Exception&)> OnError;

    // Runs fn; any exception is reported through OnError. True when fn ran to its end.
    static bool Guard(const std::function<void()>& fn);
    static void Report(const Exception& error);
};

// A Delphi edit mask such as "!99:99;1;0" or "!90/90/0000;1;_": the mask, whether the
// literals are kept in the value (the part after the first ';', default yes) and the blank
// character (after the second, default '_').
//   0 digit required     9 digit optional      # digit or sign optional
//   L letter required    l letter optional     A / a letter or digit required / optional
//   C / c any character required / optional    > upper case   < lower case   <> no case
//   \ the next character is a literal          ! leading blanks (ignored here)
// Every other character is a literal.
class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const QString& delphiMask);

    bool IsEmpty() const { return FQtMask.isEmpty(); }
    // The equivalent QLineEdit input mask, with the blank character after ';'.
    const QString& InputMask() const { return FQtMask; }
    bool SaveLiterals() const { return FSaveLiterals; }
    QChar Blank() const { return FBlank; }
    // Whether the character the user types at a position may be left blank.
    bool IsOptional(int position) const;
    bool IsLiteral(int position) const;
    int Length() const { return int(FPositions.size()); }

    // The text a masked edit hands to its field, from what the edit shows: blanks become
    // spaces and literals are dropped unless the mask keeps them (Delphi's Text of a masked
    // edit). "1_:3_" with "!99:99;1;_" gives "1 :3 ".
    QString FieldText(const QString& displayText) const;

private:
    enum class TKind { Literal, Required, Optional };
    std::vector<TKind> FPositions;
    QString FQtMask;
    bool FSaveLiterals = true;
    QChar FBlank = QLatin1Char('_');
};

class TRecordSet;

// Grid rows (0-based) of a record set whose pending new row, while it is inserting, is shown
// at insertRow: the row of the cursor (-1 for none), and the record number a row shows (0 for
// the pending new row).
int GridCurrentRow(const TRecordSet* dataSet, int insertRow);
int GridRecNoOfRow(const TRecordSet* dataSet, int row, int insertRow);
// Moves the cursor to a grid row. A pending new row is finished first: posted, it keeps its
// place; dropped, the rows below it move up. Raises what the record set raises.
void GridMoveToRow(TRecordSet& dataSet, int row, int insertRow);

class QPainter;
class QRect;

// A control that can draw another row than the live one: the row-panel grid makes a row the
// active buffer and asks each control of its template to draw that row's value where the
// control stands, looking as the control looks when it has no focus. Nothing of the live
// control changes. UpdateRecord writes a change still pending in the control (text typed but
// not yet assigned) as leaving the control would; false when the field refused it.
class IDBPaintable {
public:
    virtual ~IDBPaintable() = default;
    // The painter's origin is the control's top left corner; rect is the control's rect().
    virtual void PaintActiveRecord(QPainter& painter, const QRect& rect) = 0;
    virtual bool UpdateRecord() { return true; }
    // True while the control has refused to be left (a refused value, or an exit handler
    // that kept the focus) and is about to take the focus back.
    virtual bool HoldsFocus() const { return false; }
    // The grid moved to another row while the control had the focus: it now stands on that
    // row as one entered there.
    virtual void RowEntered() {}
};
