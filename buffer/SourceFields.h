#pragma once

#include "buffer/EditorFields.h"

#include <QString>

namespace tlv::buffer {

class UserColumns;

// Checks the texts the source generator pastes into its calls: each must read
// back as the same argument of the call. A quote, comma, parenthesis,
// semicolon or line break would end the argument or the call early (or make
// the rest a comment), and an empty value leaves a required argument out.
class SourceFields
{
public:
    struct Result
    {
        bool ok = true;
        QString message; // empty on success
        EditorFields::Field field = EditorFields::Field::None; // buffer field at fault
        int row = 0; // buffer column (= grid row) at fault, 0 when none
        int gridColumn = 0; // editor grid column at fault, 0 when none
    };

    static constexpr int VariableGridColumn = 2;

    // Stops at the first fault: buffer fields first, then the columns in order.
    // A configured buffer also needs at least one column to record.
    [[nodiscard]] static Result check(const UserColumns &buffer, bool configured);

    // Why text cannot be one argument of a generated call, or "". Blanks
    // around an argument are dropped when it is read; inside quotes they stay.
    [[nodiscard]] static QString argumentProblem(
        const QString &text, bool required, bool quoted = false);
};

} // namespace tlv::buffer
