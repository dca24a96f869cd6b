#include "viewer/core/SharedTexts.h"

#include <cstring>

namespace tlv::viewer {

void shareTexts(std::initializer_list<QStringView> texts, std::initializer_list<QString *> targets)
{
    Q_ASSERT(texts.size() == targets.size());
    qsizetype size = 0;
    for (const QStringView text : texts)
        size += text.size() + 1;
    QString block(size, Qt::Uninitialized);
    QString::DataPointer &data = block.data_ptr();
    // One reference per text, taken at once: nobody else can see the block yet. Each text
    // adopts its reference; `block` drops its own when it goes out of scope.
    data.d_ptr()->ref_.storeRelaxed(int(targets.size()) + 1);
    char16_t *to = data.data();
    auto target = targets.begin();
    for (const QStringView text : texts) {
        std::memcpy(static_cast<void *>(to), text.utf16(), size_t(text.size()) * sizeof(char16_t));
        **target++ = QString(QString::DataPointer(data.d_ptr(), to, text.size()));
        to += text.size();
        *to++ = u'\0';
    }
}

} // namespace tlv::viewer
