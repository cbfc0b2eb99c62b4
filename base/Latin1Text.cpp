#include "Latin1Text.h"

#include <QStringDecoder>

bool fitsLatin1(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
        ascii = ascii && c.unicode() < 0x80;
    }
    if (ascii)
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(text.toLatin1()); // decodes only when converted
    Q_UNUSED(decoded);
    return utf8.hasError();
}
