#pragma once

#include <QString>

#include <optional>

namespace tlv::viewer {

// An encoded PCD address (media code in bits 16-23, address in bits 0-15)
// rendered as "R 100", "F 12", ...; used to find symbols.
class MediaText
{
public:
    static inline const QString FailureTitle = QStringLiteral("Error in ReadMedia function.");

    // nullopt with a reason in error when the address cannot be rendered.
    [[nodiscard]] static std::optional<QString> render(qint64 value, QString *error = nullptr);
};

} // namespace tlv::viewer
