#include "TDataControls.h"

#include "Components/RecordSet/TRecordSet.h"

#include <QDebug>
#include <exception>

std::function<void(const Exception&)> TDataControls::OnError;

void TDataControls::Report(const Exception& error) {
    try {
        if (OnError)
            OnError(error);
        else
            qWarning("%s", qUtf8Printable(error.Message()));
    } catch (...) {
        qWarning("%s", qUtf8Printable(error.Message()));
    }
}

bool TDataControls::Guard(const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const EAbort&) {
    } catch (const Exception& error) {
        Report(error);
    } catch (const std::exception& error) {
        Report(Exception(QString::fromUtf8(error.what())));
    } catch (...) {
        Report(Exception(QStringLiteral("Unknown error")));
    }
    return false;
}

// ---------------------------------------------------------------- TEditMask

TEditMask::TEditMask(const QString& delphiMask) {
    // The mask ends at the first ';' that is not escaped; then come the save flag and blank.
    int end = -1;
    for (int i = 0; i < delphiMask.size(); ++i) {
        if (delphiMask.at(i) == QLatin1Char('\\')) {
            ++i;
        } else if (delphiMask.at(i) == QLatin1Char(';')) {
            end = i;
            break;
        }
    }
    const QString mask = end < 0 ? delphiMask : delphiMask.left(end);
    if (end >= 0) {
        const QStringList rest = delphiMask.mid(end + 1).split(QLatin1Char(';'));
        if (!rest.isEmpty() && !rest.at(0).isEmpty())
            FSaveLiterals = rest.at(0).at(0) != QLatin1Char('0');
        if (rest.size() > 1 && !rest.at(1).isEmpty()) FBlank = rest.at(1).at(0);
    }

    constexpr QLatin1StringView qtSpecial("AaNnXx90Dd#HhBb><!\\[]{}");
    QString qt;
    auto literal = [&](QChar c) {
        if (qtSpecial.contains(c)) qt += QLatin1Char('\\');
        qt += c;
        FPositions.push_back(TKind::Literal);
    };
    auto input = [&](char qtChar, bool required) {
        qt += QLatin1Char(qtChar);
        FPositions.push_back(required ? TKind::Required : TKind::Optional);
    };
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        switch (c.unicode()) {
        case '!':
            break;
        case '>':
            qt += QLatin1Char('>');
            break;
        case '<':
            if (i + 1 < mask.size() && mask.at(i + 1) == QLatin1Char('>')) {
                qt += QLatin1Char('!');
                ++i;
            } else {
                qt += QLatin1Char('<');
            }
            break;
        case '\\':
            if (i + 1 < mask.size()) literal(mask.at(++i));
            break;
        case '0':
            input('9', true);
            break;
        case '9':
            input('0', false);
            break;
        case '#':
            input('#', false);
            break;
        case 'L':
            input('A', true);
            break;
        case 'l':
            input('a', false);
            break;
        case 'A':
            input('N', true);
            break;
        case 'a':
            input('n', false);
            break;
        case 'C':
            input('X', true);
            break;
        case 'c':
            input('x', false);
            break;
        case '_':
            literal(QLatin1Char(' '));
            break;
        default:
            literal(c);
        }
    }
    if (FPositions.empty()) return;
    FQtMask = qt + QLatin1Char(';') + FBlank;
}

bool TEditMask::IsOptional(int position) const {
    return position >= 0 && position < Length() && FPositions[size_t(position)] == TKind::Optional;
}

bool TEditMask::IsLiteral(int position) const {
    return position >= 0 && position < Length() && FPositions[size_t(position)] == TKind::Literal;
}

QString TEditMask::FieldText(const QString& displayText) const {
    if (IsEmpty()) return displayText;
    QString text;
    for (int i = 0; i < displayText.size(); ++i) {
        const QChar c = displayText.at(i);
        if (IsLiteral(i)) {
            if (FSaveLiterals) text += c;
        } else {
            text += c == FBlank ? QLatin1Char(' ') : c;
        }
    }
    return text;
}

int GridCurrentRow(const TRecordSet* dataSet, int insertRow) {
    if (!dataSet) return -1;
    if (dataSet->State() == TDataSetState::Insert) return insertRow;
    return dataSet->RecNo() - 1;
}

int GridRecNoOfRow(const TRecordSet* dataSet, int row, int insertRow) {
    if (dataSet && dataSet->State() == TDataSetState::Insert) {
        if (row == insertRow) return 0;
        return row < insertRow ? row + 1 : row;
    }
    return row + 1;
}

void GridMoveToRow(TRecordSet& dataSet, int row, int insertRow) {
    int target = row;
    if (dataSet.State() == TDataSetState::Insert) {
        const int before = dataSet.RecordCount();
        dataSet.CheckBrowseMode();
        if (dataSet.RecordCount() == before && target > insertRow) --target;
    }
    dataSet.SetRecNo(target + 1);
}
