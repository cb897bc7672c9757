#pragma once

#include <string>
#include <vector>

class CMaskTransition;

// The effects the module offers: the shipped masks in resource order, then
// every mask picture file of a folder. Files count as mask pictures when their
// names end in ".jpg", ".bmp" or ".gif" in any case and they are not
// directories; they are listed in byte order of their names, since the order
// in which the system lists a folder is arbitrary and the catalogue's order
// must not change from one run to the next.
class CMaskCatalogue {
public:
    // Lists the mask files of folder (none when it is empty or cannot be read).
    explicit CMaskCatalogue(const std::string& folder);

    [[nodiscard]] int Count() const;
    // A new transition for index: a shipped mask below the number of shipped
    // masks, a file mask after it; null for any other index or when memory
    // runs out. Never throws.
    [[nodiscard]] CMaskTransition* Create(int index) const;
    [[nodiscard]] const std::vector<std::string>& Files() const { return m_files; }

    // The number of masks shipped inside the module.
    static int ShippedCount();
    // Whether a file name is a mask picture's.
    static bool IsMaskName(const std::string& name);
    // The folder "Masks" beside the file of the module holding this code.
    static std::string ModuleMaskFolder();
    // The module's catalogue, built on first use and kept until the module is
    // unloaded.
    static const CMaskCatalogue& Module();

private:
    std::vector<std::string> m_files; // full paths
};
