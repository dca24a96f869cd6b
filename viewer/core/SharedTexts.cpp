#include "viewer/core/SharedTexts.h"

#include <cstring>

namespace tlv::viewer {

void SharedTexts::publish()
{
    if (m_gifts.isEmpty()) {
        m_pieces.clear();
        m_chars.clear();
        return;
    }
    QString block(m_chars.size(), Qt::Uninitialized);
    std::memcpy(static_cast<void *>(block.data()), m_chars.data(),
        size_t(m_chars.size()) * sizeof(char16_t));
    QString::DataPointer &data = block.data_ptr();
    // One reference per text, taken at once: nobody else can see the block yet. Each
    // text adopts its reference; `block` drops its own when it goes out of scope.
    data.d_ptr()->ref_.storeRelaxed(int(m_gifts.size()) + 1);
    for (const Gift &gift : m_gifts) {
        const Piece &piece = m_pieces[gift.piece];
        *gift.target
            = QString(QString::DataPointer(data.d_ptr(), data.data() + piece.offset, piece.size));
    }
    m_gifts.clear();
    m_pieces.clear();
    m_chars.clear();
}

} // namespace tlv::viewer
