#pragma once

class CLayout;

namespace multifx {

// One layout of the module, with its texts as the host shows them.
struct SLayoutInfo {
    const char* name;    // internal name, stored in projects
    const char* display; // display name; null shows the internal name
    CLayout* (*make)(const SLayoutInfo& info);
};

} // namespace multifx

// The module's layouts in catalogue order: the key-frame layouts, then the
// live ones.
class CMultiCatalogue {
public:
    // The number of layouts, the rows of the catalogue.
    static int Count();
    // The catalogue entry of index, or null outside 0 … Count() − 1.
    static const multifx::SLayoutInfo* Info(int index);
    // A new layout for index, or null for any other index or when memory runs
    // out. Never throws.
    static CLayout* Create(int index);
    // The internal name of layout index, or null.
    static const char* Name(int index);
};
