#include "app/TemplateMemory.h"

#include "base/LruCache.h"
#include "base/PartFile.h"
#include "base/SettingsStore.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

CTemplateMemory::CTemplateMemory(const std::string& templatePath) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(templatePath, ec), ec);
    m_template = ec ? templatePath : full.string();
    const fs::path settings(CSettingsStore::Instance().GetPath());
    if (settings.empty() || m_template.empty())
        return;
    // One file per template, named by the digest of its full path.
    const SDigest digest = Md5Digest(m_template.data(), m_template.size());
    char name[40] = {};
    for (std::size_t i = 0; i < digest.size(); ++i)
        std::snprintf(name + 2 * i, 3, "%02x", digest[i]);
    m_file = (settings.parent_path() / "kelvclip-templates" / (std::string(name) + ".json"))
                 .string();
}

bool CTemplateMemory::Load(SState& state) const {
    if (m_file.empty())
        return false;
    std::ifstream in(m_file);
    if (!in)
        return false;
    const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    // Another template of the same digest, or a file edited by hand.
    if (!json.is_object() || json.value("template", std::string()) != m_template)
        return false;
    state = SState();
    if (const auto it = json.find("replacements"); it != json.end() && it->is_object())
        for (const auto& [own, mine] : it->items())
            if (mine.is_string() && !mine.get<std::string>().empty())
                state.replacements[own] = mine.get<std::string>();
    state.output = json.value("output", std::string());
    state.standard = json.value("standard", -1);
    state.disc = json.value("disc", -1);
    state.width = json.value("width", 0);
    state.height = json.value("height", 0);
    return !state.replacements.empty();
}

void CTemplateMemory::Save(const SState& state) const {
    if (m_file.empty())
        return;
    if (state.replacements.empty()) {
        Forget();
        return;
    }
    nlohmann::json json = {{"template", m_template},
                           {"replacements", state.replacements},
                           {"output", state.output},
                           {"standard", state.standard},
                           {"disc", state.disc},
                           {"width", state.width},
                           {"height", state.height}};
    const std::string text =
        json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
    std::error_code ec;
    fs::create_directories(fs::path(m_file).parent_path(), ec);
    CPartFile file;
    std::string why;
    // Best effort: a folder that cannot be written only means nothing is
    // offered next time.
    if (file.Create(m_file, why) && file.Write(text.data(), text.size(), why))
        file.Commit(true, why);
}

void CTemplateMemory::Forget() const {
    if (m_file.empty())
        return;
    std::error_code ec;
    fs::remove(m_file, ec);
}
