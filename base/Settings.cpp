#include "base/Settings.h"

#include "base/SettingsStore.h"

#include <bit>
#include <cstdint>

namespace {
constexpr const char* kSection = "Settings";
}

bool ParseSettingInt(const std::string& text, int& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return false;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        if (digit >= base)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    if (negative && magnitude > 0x80000000ull)
        return false;
    std::uint32_t bits = negative ? std::uint32_t(0u - std::uint32_t(magnitude))
                                  : std::uint32_t(magnitude);
    value = std::bit_cast<std::int32_t>(bits);
    return true;
}

int GetSettingInt(const char* key, int defaultValue) {
    auto text = CSettingsStore::Instance().Get(kSection, key);
    int value;
    return text && ParseSettingInt(*text, value) ? value : defaultValue;
}

bool SetSettingInt(const char* key, int value) {
    return CSettingsStore::Instance().Set(kSection, key, std::to_string(value));
}

std::string GetSettingString(const char* key, const std::string& defaultValue) {
    return CSettingsStore::Instance().Get(kSection, key).value_or(defaultValue);
}

bool SetSettingString(const char* key, const std::string& value) {
    return CSettingsStore::Instance().Set(kSection, key, value);
}

float GetSettingFloat(const char* key, float defaultValue) {
    int bits = GetSettingInt(key, std::bit_cast<int>(defaultValue));
    return std::bit_cast<float>(bits);
}

bool SetSettingFloat(const char* key, float value) {
    return SetSettingInt(key, std::bit_cast<int>(value));
}
