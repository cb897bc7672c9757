#pragma once

#include <string>
#include <vector>

// A stored effect parameter: the parameter's key and its integer value. A slide
// keeps one list for its transition and one for its multi-picture layout; the
// effect catalogue applies them to an effect's parameter descriptors by key.
struct SEffectValue {
    std::string m_key;
    int m_value = 0;

    friend bool operator==(const SEffectValue&, const SEffectValue&) = default;
};

using CEffectValues = std::vector<SEffectValue>;
