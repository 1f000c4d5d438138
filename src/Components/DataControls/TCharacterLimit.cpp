#include "TCharacterLimit.h"

#include "Components/Core/SysStrings.h"

#include <QLineEdit>

TCharacterLimit::TCharacterLimit(int maxCharacters, QObject* parent)
    : QValidator(parent), FMaxCharacters(maxCharacters) {}

QValidator::State TCharacterLimit::validate(QString& input, int&) const {
    return CharacterCount(input) > FMaxCharacters ? Invalid : Acceptable;
}

void TCharacterLimit::Apply(QLineEdit& edit, int maxCharacters) {
    const auto* current = qobject_cast<const TCharacterLimit*>(edit.validator());
    if (current && current->MaxCharacters() == maxCharacters) return;
    if (current) {
        edit.setValidator(nullptr);
        delete current;
    }
    if (maxCharacters > 0) edit.setValidator(new TCharacterLimit(maxCharacters, &edit));
}
