#pragma once

// The module's string table: the display names, parameter labels and choice
// labels of its transitions, by number.
namespace transfx {

// The text of string `number`; an empty string for a number without text.
const char* LoadString(int number);

} // namespace transfx
