#pragma once

#include "common/PromptSeam.h"

#include <QString>

namespace tlv::viewer {

// Finds the description file of a buffer by its header key in the resource
// folders; asks the user for it when no folder holds one.
class DescriptionFinder
{
public:
    // The first folder of resourcePath holding HeaderKey*.tlvd, else
    // HeaderKey*.tlv, decides; empty when none does or the key is empty.
    [[nodiscard]] static QString search(const QString &headerKey, const QString &resourcePath);
    // search(), then the question and the open dialog through prompts; empty when not
    // found, declined or cancelled. An empty key asks nothing.
    [[nodiscard]] static QString find(
        const QString &headerKey, const QString &resourcePath, const common::PromptSeam &prompts);
};

} // namespace tlv::viewer
