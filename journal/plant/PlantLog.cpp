#include "journal/plant/PlantLog.h"

namespace tlv::plant {

Q_LOGGING_CATEGORY(lcPlant, "tolvane.plant", QtWarningMsg)

} // namespace tlv::plant
