#pragma once

class CLayout;

// The module's 22 layouts in catalogue order: the 17 key-frame layouts, then
// the 5 live ones.
class CMultiCatalogue {
public:
    static constexpr int kCount = 22;
    static constexpr int kFirstLive = 17;

    // A new layout for index, or null for any other index or when memory runs
    // out. Never throws.
    static CLayout* Create(int index);
    // The internal name of layout index, or null.
    static const char* Name(int index);
};
