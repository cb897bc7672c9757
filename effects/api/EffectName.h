#pragma once

// Copies an effect's name into a caller's buffer of length bytes: never more
// than the 255 characters a name may have, and always terminated, so a short
// buffer gets the name cut instead of an unterminated string.
void CopyEffectName(const char* text, char* out, int length);
