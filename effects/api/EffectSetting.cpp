#include "effects/api/EffectSetting.h"

#include <cstdlib>
#include <cstring>

CEffectSetting::CEffectSetting(const char* key, int value) {
    CopyText(this->key, key);
    this->value = value;
}

CEffectSetting::CEffectSetting(const CEffectSetting& other) : SEffectSettingFields() {
    *this = other;
}

CEffectSetting& CEffectSetting::operator=(const CEffectSetting& other) {
    if (this == &other)
        return *this;
    FreeValues();
    std::memcpy(label, other.label, sizeof label);
    std::memcpy(key, other.key, sizeof key);
    kind = other.kind;
    value = other.value;
    defaultValue = other.defaultValue;
    count = other.count;
    if (other.values) {
        const std::size_t bytes = other.ValuesBytes();
        values = bytes ? std::malloc(bytes) : nullptr;
        if (values)
            std::memcpy(values, other.values, bytes);
        else
            count = 0; // out of memory: a copy without its list, never a dangling one
    }
    return *this;
}

CEffectSetting::~CEffectSetting() { FreeValues(); }

void CEffectSetting::FreeValues() {
    std::free(values);
    values = nullptr;
}

void CEffectSetting::CopyText(char (&field)[kTextSize], const char* text) {
    std::memset(field, 0, sizeof field);
    if (text)
        std::strncpy(field, text, sizeof field - 1);
}

std::size_t CEffectSetting::ValuesBytes() const {
    if (count <= 0)
        return 0;
    switch (kind) {
    case kChoice: return std::size_t(count) * kTextSize;
    case kRange: return 2 * sizeof(int);
    case kLayouts: return std::size_t(count) * sizeof(SKeyFrameRecord);
    default: return 0;
    }
}

void CEffectSetting::Replace(int kind, const char* key, const char* label, void* values,
                             int count) {
    FreeValues();
    CopyText(this->key, key);
    CopyText(this->label, label);
    this->kind = kind;
    this->values = values;
    this->count = count;
}

bool CEffectSetting::SetValue(int v) {
    bool ok = false;
    switch (kind) {
    case kUnset: ok = true; break;
    case kChoice: ok = v >= 0 && v < count; break;
    case kRange: ok = values && v >= RangeMin() && v <= RangeMax(); break;
    default: break;
    }
    if (ok)
        value = v;
    return ok;
}

bool CEffectSetting::SetChoice(const char* key, const char* label, int defaultValue,
                               const char* const* labels, int count) {
    if (count < 0 || (count > 0 && !labels))
        return false;
    char* list = nullptr;
    if (count > 0) {
        list = static_cast<char*>(std::calloc(std::size_t(count), kTextSize));
        if (!list)
            return false;
        for (int i = 0; i < count; ++i)
            if (labels[i])
                std::strncpy(list + std::size_t(i) * kTextSize, labels[i], kTextSize - 1);
    }
    Replace(kChoice, key, label, list, count);
    this->defaultValue = value = defaultValue;
    return true;
}

bool CEffectSetting::SetRange(const char* key, const char* label, int defaultValue, int minimum,
                              int maximum) {
    int* pair = static_cast<int*>(std::malloc(2 * sizeof(int)));
    if (!pair)
        return false;
    pair[0] = minimum;
    pair[1] = maximum;
    Replace(kRange, key, label, pair, 2);
    this->defaultValue = value = defaultValue;
    return true;
}

bool CEffectSetting::SetLayouts(const char* key, const char* label,
                                const SKeyFrameRecord* records, int count) {
    if (count < 0 || (count > 0 && !records))
        return false;
    void* list = nullptr;
    if (count > 0) {
        list = std::malloc(std::size_t(count) * sizeof(SKeyFrameRecord));
        if (!list)
            return false;
        std::memcpy(list, records, std::size_t(count) * sizeof(SKeyFrameRecord));
    }
    Replace(kLayouts, key, label, list, count);
    return true;
}

const char* CEffectSetting::ChoiceLabel(int i) const {
    if (kind != kChoice || !values || i < 0 || i >= count)
        return nullptr;
    return static_cast<const char*>(values) + std::size_t(i) * kTextSize;
}

int CEffectSetting::RangeMin() const {
    return kind == kRange && values ? static_cast<const int*>(values)[0] : 0;
}

int CEffectSetting::RangeMax() const {
    return kind == kRange && values ? static_cast<const int*>(values)[1] : 0;
}

const SKeyFrameRecord* CEffectSetting::Layouts() const {
    return kind == kLayouts ? static_cast<const SKeyFrameRecord*>(values) : nullptr;
}
