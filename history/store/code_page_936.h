// Texts of the program (code page 936 bytes) to and from the engine's UTF-16, through the Windows
// national-language conversions with code page 936.
#pragma once

#include <string>

// Ends at the first zero byte of `text`; bytes that are not valid code page 936 are converted as
// MultiByteToWideChar does (to its default character).
std::u16string Utf16FromText(const std::string& text);
// Characters that code page 936 has not become "?".
std::string TextFromUtf16(const std::u16string& text);
