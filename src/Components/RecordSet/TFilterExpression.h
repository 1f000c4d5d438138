#pragma once
// Filter texts of record sets, parsed once into a predicate over the stored rows.
//
// Grammar (keywords and field names without regard to case):
//     expr       := term { OR term }
//     term       := factor { AND factor }
//     factor     := NOT factor | '(' expr ')' | comparison
//     comparison := operand op operand      op: = <> < > <= >=
//     operand    := field | 'text' (a doubled quote inside) | [-]digits[.digits]
//                 | True | False | NULL | a date in the short date format | #date#
// One side of each comparison must be a data field. Text comparisons ignore case, as ADO
// client-side filters do. A comparison with a null field is false, except "= NULL" (and
// "<> NULL" for non-null). A malformed text raises EDatabaseError naming the text and the
// position (1-based) of the fault.

#include <QString>
#include <memory>

class TRecordSet;
class TRowStore;

class TFilterExpression {
public:
    struct Node {
        virtual ~Node() = default;
        virtual bool Eval(const TRowStore& store, quint32 slot) const = 0;
    };

    // Uses the short date format of TFormatSettings::Current() for date literals.
    static std::shared_ptr<TFilterExpression> Parse(const QString& text, const TRecordSet& fields);

    bool Matches(const TRowStore& store, quint32 slot) const {
        return !FRoot || FRoot->Eval(store, slot);
    }
    const QString& Text() const { return FText; }

private:
    QString FText;
    std::unique_ptr<Node> FRoot; // none for a blank text: every row passes
};
