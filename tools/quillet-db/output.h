// How quillet-db prints values: JSON (UTF-8) and CSV.
#pragma once

#include <string>
#include <string_view>

#include "history/jet/database.h"

// A JSON string literal, quotes included. Invalid UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view utf8);
// A JSON value: null, true/false, a number (Byte..Double, Currency, Numeric), or a string (Text, Memo,
// DateTime and GUID in their text form; Binary and OLE as base64).
std::string JsonValue(const jet::Value& value);
// A CSV field: the value's text form (Binary and OLE as base64), quoted when it holds a comma, a quote,
// CR or LF; NULL is an empty field.
std::string CsvField(const jet::Value& value);
std::string Base64(std::string_view bytes);
