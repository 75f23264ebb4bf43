// SPDX-License-Identifier: GPL-3.0-or-later
// Where byte text meets Qt. Bytes are read as UTF-8, or as Windows-1252 when they are not
// valid UTF-8, so text written on Windows machines reads right. Text typed here is stored in
// Windows-1252 when every character has a form there, so that Windows machines read it right
// too, and in UTF-8 otherwise.
// Paths are Windows-style inside the layer and native on the file system.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace layer
{
QString TextToQString(std::string_view bytes);
std::string QStringToText(const QString& text);
// Typed text (edits): Windows-1252 when every character has a form there, else UTF-8.
std::string TypedText(const QString& text);
bool IsValidUtf8(std::string_view bytes);

// Text that must come back byte for byte, such as a path handed to a control in a BSTR: UTF-8
// is decoded, and each byte that is not part of it travels as a lone low surrogate
// (U+DC80..U+DCFF), which no decoded text holds; ExactQStringToText undoes it.
QString ExactTextToQString(std::string_view bytes);
std::string ExactQStringToText(const QString& text);

// "\work\res\Help.chm" -> "/work/res/Help.chm". A backslash inside a native name stands as
// U+F05C in the Windows-style form, so both crossings give back the bytes they were given.
std::string NativePath(std::string_view windowsPath);
// "/work/res/Help.chm" -> "\work\res\Help.chm".
std::string WindowsPath(std::string_view nativePath);
} // namespace layer
