#include "TFilterExpression.h"

#include "Components/Core/SysDateTime.h"
#include "Components/Core/SysExceptions.h"
#include "Components/Core/SysNumbers.h"
#include "TRecordSet.h"
#include "TRowStore.h"

namespace {
enum class TOp { Eq, Ne, Lt, Gt, Le, Ge };

TOp Mirror(TOp op) {
    switch (op) {
    case TOp::Lt:
        return TOp::Gt;
    case TOp::Gt:
        return TOp::Lt;
    case TOp::Le:
        return TOp::Ge;
    case TOp::Ge:
        return TOp::Le;
    default:
        return op;
    }
}

template <typename T> bool Apply(TOp op, const T& a, const T& b) {
    switch (op) {
    case TOp::Eq:
        return a == b;
    case TOp::Ne:
        return a != b;
    case TOp::Lt:
        return a < b;
    case TOp::Gt:
        return a > b;
    case TOp::Le:
        return a <= b;
    case TOp::Ge:
        return a >= b;
    }
    return false;
}

bool ApplyOrder(TOp op, int c) {
    return Apply(op, c, 0);
}

using TNode = TFilterExpression::Node;
using TNodePtr = std::unique_ptr<TNode>;

struct TAnd : TNode {
    TNodePtr A, B;
    bool Eval(const TRowStore& s, quint32 r) const override {
        return A->Eval(s, r) && B->Eval(s, r);
    }
};
struct TOr : TNode {
    TNodePtr A, B;
    bool Eval(const TRowStore& s, quint32 r) const override {
        return A->Eval(s, r) || B->Eval(s, r);
    }
};
struct TNot : TNode {
    TNodePtr A;
    bool Eval(const TRowStore& s, quint32 r) const override { return !A->Eval(s, r); }
};
struct TNullTest : TNode {
    int Column;
    bool WantNull;
    bool Eval(const TRowStore& s, quint32 r) const override {
        return s.Columns[size_t(Column)].IsNull(r) == WantNull;
    }
};
struct TCompare : TNode {
    int Column = 0;
    TOp Op = TOp::Eq;
};
struct TIntCompare : TCompare {
    double Value = 0;
    bool Eval(const TRowStore& s, quint32 r) const override {
        const TColumn& c = s.Columns[size_t(Column)];
        return !c.IsNull(r) && Apply(Op, double(c.Ints[r]), Value);
    }
};
struct TBoolCompare : TCompare {
    int Value = 0;
    bool Eval(const TRowStore& s, quint32 r) const override {
        const TColumn& c = s.Columns[size_t(Column)];
        return !c.IsNull(r) && Apply(Op, int(c.Bools[r] != 0), Value);
    }
};
struct TFloatCompare : TCompare {
    double Value = 0;
    bool Eval(const TRowStore& s, quint32 r) const override {
        const TColumn& c = s.Columns[size_t(Column)];
        return !c.IsNull(r) && Apply(Op, c.Floats[r], Value);
    }
};
struct TCurrencyCompare : TCompare {
    double Units = 0;
    bool Eval(const TRowStore& s, quint32 r) const override {
        const TColumn& c = s.Columns[size_t(Column)];
        return !c.IsNull(r) && Apply(Op, double(c.Units[r]), Units);
    }
};
struct TStringCompare : TCompare {
    QString Value;
    bool Eval(const TRowStore& s, quint32 r) const override {
        const TColumn& c = s.Columns[size_t(Column)];
        return !c.IsNull(r) && ApplyOrder(Op, c.Str(r).compare(Value, Qt::CaseInsensitive));
    }
};

enum class TTok {
    End,
    LParen,
    RParen,
    Op,
    String,
    Number,
    Date,
    Name,
    And,
    Or,
    Not,
    True,
    False,
    Null
};

struct TToken {
    TTok Kind = TTok::End;
    int Pos = 0; // 0-based start
    TOp Op = TOp::Eq;
    QString Text;
    double Number = 0;
};

class TParser {
public:
    TParser(const QString& text, const TRecordSet& fields) : FText(text), FFields(fields) {
        Advance();
    }

    TNodePtr ParseAll() {
        if (FTok.Kind == TTok::End) return nullptr;
        TNodePtr root = ParseOr();
        if (FTok.Kind != TTok::End)
            Fail(FTok.Pos, QStringLiteral("unexpected '%1'").arg(TokenText()));
        return root;
    }

private:
    [[noreturn]] void Fail(int pos, const QString& reason) const {
        throw EDatabaseError(QStringLiteral("Invalid filter \"%1\": %2 at position %3")
                                 .arg(FText, reason)
                                 .arg(pos + 1));
    }

    QString TokenText() const {
        if (FTok.Kind == TTok::End) return QStringLiteral("end of text");
        return FText.mid(FTok.Pos, std::max(1, FPos - FTok.Pos));
    }

    static bool IsNameStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
    static bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

    void Advance() {
        const int n = int(FText.size());
        while (FPos < n && FText.at(FPos).isSpace())
            ++FPos;
        FTok = TToken();
        FTok.Pos = FPos;
        if (FPos >= n) return;
        const QChar c = FText.at(FPos);
        const QChar next = FPos + 1 < n ? FText.at(FPos + 1) : QChar();
        if (c == QLatin1Char('(')) {
            ++FPos;
            FTok.Kind = TTok::LParen;
        } else if (c == QLatin1Char(')')) {
            ++FPos;
            FTok.Kind = TTok::RParen;
        } else if (c == QLatin1Char('=')) {
            ++FPos;
            FTok.Kind = TTok::Op;
            FTok.Op = TOp::Eq;
        } else if (c == QLatin1Char('<')) {
            FTok.Kind = TTok::Op;
            if (next == QLatin1Char('>'))
                FTok.Op = TOp::Ne, FPos += 2;
            else if (next == QLatin1Char('='))
                FTok.Op = TOp::Le, FPos += 2;
            else
                FTok.Op = TOp::Lt, FPos += 1;
        } else if (c == QLatin1Char('>')) {
            FTok.Kind = TTok::Op;
            if (next == QLatin1Char('='))
                FTok.Op = TOp::Ge, FPos += 2;
            else
                FTok.Op = TOp::Gt, FPos += 1;
        } else if (c == QLatin1Char('\'')) {
            ReadString();
        } else if (c == QLatin1Char('#')) {
            const int close = int(FText.indexOf(QLatin1Char('#'), FPos + 1));
            if (close < 0) Fail(FPos, QStringLiteral("unterminated date"));
            const QString body = FText.mid(FPos + 1, close - FPos - 1).trimmed();
            double value = 0;
            if (!TryStrToDateTime(body, value))
                Fail(FPos, QStringLiteral("'%1' is not a valid date").arg(body));
            FTok.Kind = TTok::Date;
            FTok.Number = value;
            FPos = close + 1;
        } else if (c.isDigit() || c == QLatin1Char('.') ||
                   (c == QLatin1Char('-') && (next.isDigit() || next == QLatin1Char('.')))) {
            ReadNumberOrDate();
        } else if (c == QLatin1Char('[')) {
            const int close = int(FText.indexOf(QLatin1Char(']'), FPos + 1));
            if (close < 0) Fail(FPos, QStringLiteral("unterminated field name"));
            FTok.Kind = TTok::Name;
            FTok.Text = FText.mid(FPos + 1, close - FPos - 1).trimmed();
            FPos = close + 1;
        } else if (IsNameStart(c)) {
            int end = FPos;
            while (end < n && IsNameChar(FText.at(end)))
                ++end;
            FTok.Text = FText.mid(FPos, end - FPos);
            FPos = end;
            FTok.Kind = TTok::Name;
            const QString& w = FTok.Text;
            auto is = [&](const char* k) {
                return w.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
            };
            if (is("AND"))
                FTok.Kind = TTok::And;
            else if (is("OR"))
                FTok.Kind = TTok::Or;
            else if (is("NOT"))
                FTok.Kind = TTok::Not;
            else if (is("TRUE"))
                FTok.Kind = TTok::True;
            else if (is("FALSE"))
                FTok.Kind = TTok::False;
            else if (is("NULL"))
                FTok.Kind = TTok::Null;
        } else {
            Fail(FPos, QStringLiteral("unexpected character '%1'").arg(c));
        }
    }

    void ReadString() {
        const int n = int(FText.size());
        QString value;
        int pos = FPos + 1;
        for (;;) {
            if (pos >= n) Fail(FPos, QStringLiteral("unterminated string"));
            const QChar ch = FText.at(pos);
            if (ch == QLatin1Char('\'')) {
                if (pos + 1 < n && FText.at(pos + 1) == QLatin1Char('\'')) {
                    value += ch;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value += ch;
            ++pos;
        }
        FTok.Kind = TTok::String;
        FTok.Text = value;
        FPos = pos;
    }

    void ReadNumberOrDate() {
        const int n = int(FText.size());
        const QChar sep = TFormatSettings::Current().DateSeparator;
        int end = FPos + (FText.at(FPos) == QLatin1Char('-') ? 1 : 0);
        int dots = 0, seps = 0;
        while (end < n) {
            const QChar ch = FText.at(end);
            if (ch.isDigit()) {
            } else if (ch == sep) {
                ++seps;
            } else if (ch == QLatin1Char('.')) {
                ++dots;
            } else {
                break;
            }
            ++end;
        }
        if (end < n && IsNameChar(FText.at(end)))
            Fail(end, QStringLiteral("unexpected '%1' after a number").arg(FText.at(end)));
        const QString run = FText.mid(FPos, end - FPos);
        if (seps > 0 || dots > 1) {
            double value = 0;
            if (!TryStrToDate(run, value))
                Fail(FPos, QStringLiteral("'%1' is not a valid date").arg(run));
            FTok.Kind = TTok::Date;
            FTok.Number = value;
        } else {
            double value = 0;
            if (!TryStrToFloat(run, value, TFormatSettings::Fixed()))
                Fail(FPos, QStringLiteral("'%1' is not a valid number").arg(run));
            FTok.Kind = TTok::Number;
            FTok.Number = value;
            FTok.Text = run;
        }
        FPos = end;
    }

    TNodePtr ParseOr() {
        TNodePtr left = ParseAnd();
        while (FTok.Kind == TTok::Or) {
            Advance();
            auto node = std::make_unique<TOr>();
            node->A = std::move(left);
            node->B = ParseAnd();
            left = std::move(node);
        }
        return left;
    }

    TNodePtr ParseAnd() {
        TNodePtr left = ParseFactor();
        while (FTok.Kind == TTok::And) {
            Advance();
            auto node = std::make_unique<TAnd>();
            node->A = std::move(left);
            node->B = ParseFactor();
            left = std::move(node);
        }
        return left;
    }

    TNodePtr ParseFactor() {
        if (++FDepth > 200) Fail(FTok.Pos, QStringLiteral("expression nested too deeply"));
        TNodePtr result;
        if (FTok.Kind == TTok::Not) {
            Advance();
            auto node = std::make_unique<TNot>();
            node->A = ParseFactor();
            result = std::move(node);
        } else if (FTok.Kind == TTok::LParen) {
            Advance();
            result = ParseOr();
            if (FTok.Kind != TTok::RParen)
                Fail(FTok.Pos, QStringLiteral("')' expected instead of '%1'").arg(TokenText()));
            Advance();
        } else {
            result = ParseComparison();
        }
        --FDepth;
        return result;
    }

    bool IsOperand() const {
        switch (FTok.Kind) {
        case TTok::String:
        case TTok::Number:
        case TTok::Date:
        case TTok::Name:
        case TTok::True:
        case TTok::False:
        case TTok::Null:
            return true;
        default:
            return false;
        }
    }

    TNodePtr ParseComparison() {
        if (!IsOperand())
            Fail(FTok.Pos,
                 QStringLiteral("a field or a value expected instead of '%1'").arg(TokenText()));
        const TToken left = FTok;
        Advance();
        if (FTok.Kind != TTok::Op)
            Fail(FTok.Pos,
                 QStringLiteral("a comparison operator expected instead of '%1'").arg(TokenText()));
        TOp op = FTok.Op;
        Advance();
        if (!IsOperand())
            Fail(FTok.Pos,
                 QStringLiteral("a field or a value expected instead of '%1'").arg(TokenText()));
        const TToken right = FTok;
        Advance();
        if (left.Kind == TTok::Name && right.Kind != TTok::Name) return Compile(left, op, right);
        if (right.Kind == TTok::Name && left.Kind != TTok::Name)
            return Compile(right, Mirror(op), left);
        Fail(left.Pos, left.Kind == TTok::Name
                           ? QStringLiteral("comparing two fields is not supported")
                           : QStringLiteral("a comparison needs a field"));
    }

    [[noreturn]] void Mismatch(const TToken& value, const TField& field) const {
        Fail(value.Pos, QStringLiteral("the value does not suit the %1 field '%2'")
                            .arg(FieldTypeName(field.DataType()).toLower(), field.FieldName()));
    }

    TNodePtr Compile(const TToken& name, TOp op, const TToken& value) {
        const TField* field = FFields.FindField(name.Text);
        if (!field) Fail(name.Pos, QStringLiteral("field '%1' not found").arg(name.Text));
        if (field->FieldKind() != TFieldKind::Data)
            Fail(name.Pos, QStringLiteral("field '%1' is not stored and cannot be filtered on")
                               .arg(name.Text));
        const int column = field->Column();
        auto mismatch = [&]() { Mismatch(value, *field); };
        if (value.Kind == TTok::Null) {
            if (op != TOp::Eq && op != TOp::Ne)
                Fail(value.Pos, QStringLiteral("NULL can only be compared with = or <>"));
            auto node = std::make_unique<TNullTest>();
            node->Column = column;
            node->WantNull = op == TOp::Eq;
            return node;
        }
        // The value as a number, whichever way it was written.
        auto number = [&]() -> double {
            switch (value.Kind) {
            case TTok::Number:
            case TTok::Date:
                return value.Number;
            case TTok::True:
                return 1;
            case TTok::False:
                return 0;
            case TTok::String: {
                double d = 0;
                if (TryStrToFloat(value.Text, d, TFormatSettings::Fixed())) return d;
                if ((field->DataType() == TFieldType::DateTime ||
                     field->DataType() == TFieldType::Time) &&
                    TryStrToDateTime(value.Text, d))
                    return d;
                Mismatch(value, *field);
            }
            default:
                Mismatch(value, *field);
            }
        };
        switch (field->DataType()) {
        case TFieldType::Integer:
        case TFieldType::SmallInt:
        case TFieldType::AutoInc: {
            if (value.Kind == TTok::True || value.Kind == TTok::False) mismatch();
            auto node = std::make_unique<TIntCompare>();
            node->Column = column;
            node->Op = op;
            node->Value = number();
            return node;
        }
        case TFieldType::Boolean: {
            auto node = std::make_unique<TBoolCompare>();
            node->Column = column;
            node->Op = op;
            if (value.Kind == TTok::True || value.Kind == TTok::False) {
                node->Value = value.Kind == TTok::True;
            } else if (value.Kind == TTok::String &&
                       (value.Text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
                        value.Text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)) {
                node->Value = value.Text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
            } else if (value.Kind == TTok::Number && (value.Number == 0 || value.Number == 1)) {
                node->Value = int(value.Number);
            } else {
                mismatch();
            }
            return node;
        }
        case TFieldType::DateTime:
        case TFieldType::Time:
        case TFieldType::Float: {
            if (value.Kind == TTok::True || value.Kind == TTok::False) mismatch();
            auto node = std::make_unique<TFloatCompare>();
            node->Column = column;
            node->Op = op;
            node->Value = number();
            return node;
        }
        case TFieldType::Currency: {
            if (value.Kind != TTok::Number && value.Kind != TTok::String) mismatch();
            auto node = std::make_unique<TCurrencyCompare>();
            node->Column = column;
            node->Op = op;
            node->Units = number() * double(CurrencyScale);
            return node;
        }
        case TFieldType::String:
        case TFieldType::Memo: {
            if (value.Kind != TTok::String) mismatch();
            auto node = std::make_unique<TStringCompare>();
            node->Column = column;
            node->Op = op;
            node->Value = value.Text;
            return node;
        }
        case TFieldType::Blob:
            break;
        }
        Mismatch(value, *field);
    }

    const QString& FText;
    const TRecordSet& FFields;
    int FPos = 0;
    int FDepth = 0;
    TToken FTok;
};
} // namespace

std::shared_ptr<TFilterExpression> TFilterExpression::Parse(const QString& text,
                                                            const TRecordSet& fields) {
    auto expression = std::make_shared<TFilterExpression>();
    expression->FText = text;
    TParser parser(text, fields);
    expression->FRoot = parser.ParseAll();
    return expression;
}
