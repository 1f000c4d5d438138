#pragma once
// Limits what a line edit takes to a number of characters as the user counts them (grapheme
// clusters: "🚀" or "e" with a combining accent is one), where QLineEdit's own maximum length
// counts UTF-16 units and would refuse an emoji that the field has room for. A key or a paste
// that would go over the limit is refused, as the maximum length refuses it.

#include <QValidator>

class QLineEdit;

class TCharacterLimit : public QValidator {
    Q_OBJECT
public:
    TCharacterLimit(int maxCharacters, QObject* parent);
    int MaxCharacters() const { return FMaxCharacters; }
    State validate(QString& input, int& pos) const override;

    // Gives the edit a limit of maxCharacters (none for 0 or less), replacing a limit it had.
    static void Apply(QLineEdit& edit, int maxCharacters);

private:
    int FMaxCharacters;
};
