#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1254, the code page Turkish Windows tools write 8-bit text in.
// Every byte decodes (the five unassigned ones to the control character of the
// same number, as Windows does), so decode/encode round-trips any byte string.
namespace yorsabat::ansi {

QString decodeWindows1254(QByteArrayView bytes);

// Encodes text as Windows-1254; false in *ok when a character has no byte there.
QByteArray encodeWindows1254(QStringView text, bool *ok = nullptr);

bool isValidUtf8(QByteArrayView bytes);

} // namespace yorsabat::ansi
