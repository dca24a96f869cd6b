#pragma once

#include <QStringView>

#include <limits>

namespace tlv::viewer {

// Numbers in description, project and text files, read the way the Windows
// peers read them. Values that do not fit the field are refused, never wrapped.
class ProfileNumber
{
public:
    // The leading number of the text (blanks, sign, digits, fraction), rounded
    // half to even; empty or non-numeric text gives 0. False when the rounded
    // value lies outside [min, max].
    static bool leading(QStringView text, qint64 min, qint64 max, qint64 *out);
    // The whole text (blanks around it allowed) must be a number; rounded as above.
    static bool strict(QStringView text, qint64 min, qint64 max, qint64 *out);

    template<typename T> static bool leading(QStringView text, T *out)
    {
        qint64 v = 0;
        if (!leading(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &v))
            return false;
        *out = static_cast<T>(v);
        return true;
    }
    template<typename T> static bool strict(QStringView text, T *out)
    {
        qint64 v = 0;
        if (!strict(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &v))
            return false;
        *out = static_cast<T>(v);
        return true;
    }
};

} // namespace tlv::viewer
