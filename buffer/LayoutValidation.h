#pragma once

#include <QString>
#include <QtGlobal>

namespace tlv::buffer {

class UserColumns;
class cFormats;

// Checks the columns of a configured buffer against the record layout and the
// formats table, and computes the record length.
class LayoutValidation
{
public:
    static constexpr int MaxRecordLength = 256;
    static constexpr int MaxColumns = 127;
    // Grid columns of the editor a failure points at.
    static constexpr int PlaceGridColumn = 3;
    static constexpr int DataTypeGridColumn = 4;
    static constexpr int DataPositionGridColumn = 5;
    static constexpr int FormatGridColumn = 6;

    struct Result
    {
        bool ok = false;
        QString message; // empty on success
        int row = 0; // buffer column (= grid row) at fault, 0 when none
        int gridColumn = 0; // editor grid column at fault, 0 when none
        qint16 recordLength = 0; // on success: what recordLen() was set to
    };

    // Title of the message box a failure is shown in.
    [[nodiscard]] static QString messageTitle() { return QStringLiteral("Tolvane Save aborted"); }

    // Stops at the first fault; on success sets the buffer's record length,
    // on failure leaves the buffer untouched.
    static Result validate(UserColumns &buffer, const cFormats &formats);
};

} // namespace tlv::buffer
