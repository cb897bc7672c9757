#include "plugins/maskfx/MaskCatalogue.h"

#include "plugins/maskfx/FileMask.h"
#include "plugins/maskfx/MaskResources.h"
#include "plugins/maskfx/ResourceMask.h"

#include <algorithm>
#include <cctype>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

CMaskCatalogue::CMaskCatalogue(const std::string& folder) {
    if (folder.empty())
        return;
    // Every step may fail (no folder, no permission, an entry removed while
    // listing): what cannot be listed is left out, and nothing throws.
    try {
        std::error_code error;
        fs::directory_iterator it(folder, error), end;
        for (; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            std::error_code kindError;
            if (!IsMaskName(name) || it->is_directory(kindError))
                continue;
            m_files.push_back(it->path().string());
        }
        std::sort(m_files.begin(), m_files.end());
    } catch (const std::exception&) {
        m_files.clear();
    }
}

int CMaskCatalogue::Count() const { return ShippedCount() + int(m_files.size()); }

int CMaskCatalogue::ShippedCount() { return int(maskfx::kMaskResources.size()); }

CMaskTransition* CMaskCatalogue::Create(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return effectkit::MakeChecked<CMaskTransition>([&]() -> CMaskTransition* {
        if (index < ShippedCount())
            return new CResourceMask(maskfx::kMaskResources[std::size_t(index)]);
        return new CFileMask(m_files[std::size_t(index - ShippedCount())]);
    });
}

bool CMaskCatalogue::IsMaskName(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string ending = name.substr(name.size() - 4);
    for (char& c : ending)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return ending == ".JPG" || ending == ".BMP" || ending == ".GIF";
}

std::string CMaskCatalogue::ModuleMaskFolder() {
    // The file the system loaded this code from: maskfx.so for the module.
    static const int anchor = 0;
    Dl_info info{};
    if (!dladdr(&anchor, &info) || !info.dli_fname || !*info.dli_fname)
        return {};
    std::error_code error;
    fs::path file = fs::weakly_canonical(fs::path(info.dli_fname), error);
    if (error)
        file = info.dli_fname;
    return (file.parent_path() / "Masks").string();
}

const CMaskCatalogue& CMaskCatalogue::Module() {
    static const CMaskCatalogue catalogue(ModuleMaskFolder());
    return catalogue;
}
