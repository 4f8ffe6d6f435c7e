#pragma once
#include <string>
std::string ReadClipboardText();
bool WriteClipboardText(const std::string& text);
