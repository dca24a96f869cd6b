#pragma once

#include "buffer/EditorFields.h"

#include "common/PromptMessage.h"

#include <QString>

namespace tlv::buffer {

class TraceProject;
class cFormats;

// Takes the editor's fields into the user buffer, checks them and writes the
// buffer into the project file. Strict (compiling) also normalises the address
// fields, bounds the number of records and, for a configured buffer, runs the
// layout validation. What the user is to be told comes back in the result.
class BufferStore
{
public:
    struct Result
    {
        bool ok = false;
        EditorFields::Field field = EditorFields::Field::None; // field to select and focus
        int row = 0; // grid cell to select after a rejected column
        int gridColumn = 0;
        common::PromptMessages messages; // in the order to show them
    };

    // Highest record interval in tenths of a second.
    static constexpr int MaxRecordInterval = 60000;
    static constexpr int MinRecords = 20;
    static constexpr int MaxRecords = 5000;
    // Longest value a project file key can hand back.
    static constexpr int MaxValueLength = 255;

    static Result store(
        EditorFields &fields, bool strict, TraceProject &project, const cFormats &formats);
    // The same up to writing: takes the fields into the model and checks it.
    static Result check(
        EditorFields &fields, bool strict, TraceProject &project, const cFormats &formats);

    // Why a column cannot be stored so that it reads back the same, or "".
    // gridColumn receives the editor grid column at fault.
    [[nodiscard]] static QString unstorableColumn(
        const TraceProject &project, int position, int *gridColumn);
};

} // namespace tlv::buffer
