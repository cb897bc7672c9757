#pragma once

#include "effects/api/KeyFrameRecord.h"

#include <cstddef>

// The data of one effect parameter, in the field order host and plug-ins
// share. Kept apart from CEffectSetting so that its layout can be asserted.
struct SEffectSettingFields {
    char label[256] = {};   // text shown to users
    char key[256] = {};     // key under which the value is stored
    int kind = 0;           // one of CEffectSetting::EKind
    int value = -1;         // current value; −1 when unset
    int defaultValue = -1;  // the value the effect starts with; −1 when unset
    void* values = nullptr; // choice labels, {minimum, maximum} or key-frame records
    int count = 0;          // choices, 2 for a range, or records
};

// One parameter of an effect, as an effect describes it (a descriptor) and as
// the host stores its value (a record of kind 0 with only key and value).
// The record is polymorphic; its only virtual operation is the destructor,
// which frees `values`. Whoever builds the record allocates `values`, so a
// plug-in's descriptors are freed by the plug-in's own code.
class CEffectSetting : public SEffectSettingFields {
public:
    enum EKind : int {
        kUnset = 0,   // a stored value not yet bound to an effect: accepts anything
        kChoice = 1,  // value is the index of one of `count` labels of 256 bytes
        kRange = 2,   // value lies in {minimum, maximum}, both inclusive
        kLayouts = 3, // `count` key-frame records; accepts no value
    };
    static constexpr int kTextSize = 256;

    CEffectSetting() = default;
    // A stored value: kind 0, the key and the value, default −1.
    CEffectSetting(const char* key, int value);
    CEffectSetting(const CEffectSetting& other);
    CEffectSetting& operator=(const CEffectSetting& other);
    virtual ~CEffectSetting();

    // Validates and sets the value (kind 1: 0 ≤ v < count; kind 2: minimum ≤
    // v ≤ maximum; kind 3: nothing; kind 0: anything). A rejected value leaves
    // `value` unchanged. Returns whether the value was accepted.
    bool SetValue(int v);

    // Makes this a choice among count labels with the default chosen; value =
    // default. Returns false, leaving the record unchanged, when memory runs out.
    bool SetChoice(const char* key, const char* label, int defaultValue,
                   const char* const* labels, int count);
    // Makes this a range {minimum, maximum}; value = default.
    bool SetRange(const char* key, const char* label, int defaultValue, int minimum, int maximum);
    // Makes this a list of key-frame records (copied).
    bool SetLayouts(const char* key, const char* label, const SKeyFrameRecord* records,
                    int count);

    // Kind 1: the label of choice i, or null outside 0 … count − 1.
    [[nodiscard]] const char* ChoiceLabel(int i) const;
    // Kind 2: the bounds; 0 for other kinds.
    [[nodiscard]] int RangeMin() const;
    [[nodiscard]] int RangeMax() const;
    // Kind 3: the records; null for other kinds.
    [[nodiscard]] const SKeyFrameRecord* Layouts() const;

private:
    // Copies text into a 256-byte field, cut to fit and always terminated.
    static void CopyText(char (&field)[kTextSize], const char* text);
    // Bytes of `values` for the kind and count.
    [[nodiscard]] std::size_t ValuesBytes() const;
    void FreeValues();
    // Takes a new kind, texts and list, freeing the old list.
    void Replace(int kind, const char* key, const char* label, void* values, int count);
};

// The shared layout: host and plug-ins compiled from this header agree on it.
// On 64-bit targets the record is 552 bytes: the table pointer, the two texts,
// three integers, the pointer aligned to 8 and the count.
static_assert(offsetof(SEffectSettingFields, key) == 256);
static_assert(offsetof(SEffectSettingFields, kind) == 512);
static_assert(offsetof(SEffectSettingFields, value) == 516);
static_assert(offsetof(SEffectSettingFields, defaultValue) == 520);
static_assert(offsetof(SEffectSettingFields, values) == 512 + 3 * sizeof(int) + (sizeof(void*) == 8 ? 4 : 0));
static_assert(offsetof(SEffectSettingFields, count) == offsetof(SEffectSettingFields, values) + sizeof(void*));
static_assert(sizeof(CEffectSetting) == sizeof(void*) + sizeof(SEffectSettingFields));
static_assert(sizeof(void*) != 8 || sizeof(CEffectSetting) == 552);
