#include "buffer/EditorFields.h"

#include "buffer/NumberText.h"
#include "buffer/UserColumns.h"

namespace tlv::buffer {

EditorFields EditorFields::fromModel(const UserColumns &b)
{
    EditorFields f;
    f.title = b.title();
    f.recordInterval = localNumberText(b.recordInt() / 10.0);
    f.memory = b.memory();
    f.numberOfRecords = QString::number(b.bufferLen());
    f.recordLength = QString::number(b.recordLen());
    f.startReg = b.startReg();
    f.recordEnable = b.recordEnable();
    f.recordCommand = b.recordCommand();
    f.clearCommand = b.clearBuf();
    f.serialNumber = b.serialNr();
    f.viewerCommand = b.closeTlv();
    return f;
}

} // namespace tlv::buffer
