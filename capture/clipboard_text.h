// The two clipboard text operations of the program: reading the clipboard's CF_TEXT and putting one
// CF_TEXT text on it. Texts are std::string holding code page 936 bytes, ending at their first zero byte.
#pragma once

#include <string>

// The clipboard's CF_TEXT, up to its first zero byte (and never past the end of the data block).
// "" when the clipboard cannot be opened, holds no CF_TEXT data or holds an empty text.
std::string ReadClipboardText();

// Empties the clipboard and puts `text` on it as CF_TEXT (a moveable, zero-filled block of the text's
// length plus one). Returns false without any change when the clipboard cannot be opened; returns false
// and leaves the clipboard empty when the block cannot be allocated or handed over.
bool WriteClipboardText(const std::string& text);
