#pragma once

#include <QString>

// Whether `text` written in Latin-1 reads back as the same text: every character fits, and the
// bytes are not valid UTF-8 unless they are plain ASCII (a reader that tries UTF-8 first would
// take them as UTF-8 then). The settings file and the send list keep a file read from a code
// page in it only while this holds.
[[nodiscard]] bool fitsLatin1(const QString& text);
