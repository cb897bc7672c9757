#pragma once

// The module's string table: the display names of its caption animations, by
// number.
namespace titlefx {

// The text of string `number`; an empty string for a number without text.
const char* LoadString(int number);

} // namespace titlefx
