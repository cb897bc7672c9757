// kelvclip-cli effects [--json] [--plugins DIR]: the effect catalogue of the
// plug-in folder on standard output; modules that were skipped, and why, on
// standard error.
#include "cli/CliCommands.h"
#include "effects/EffectMgr.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <string>

namespace {

const char* KindName(int kind) {
    switch (kind) {
    case kEffectTransition: return "transition";
    case kEffectMulti: return "multi-picture";
    case kEffectText: return "text";
    default: return "unknown";
    }
}

const char* ParamKindName(int kind) {
    switch (kind) {
    case CEffectSetting::kChoice: return "choice";
    case CEffectSetting::kRange: return "range";
    case CEffectSetting::kLayouts: return "layouts";
    default: return "unset";
    }
}

std::string ModuleName(const CEffectMgr& mgr, const CEffect& effect) {
    std::string path = mgr.GetModulePath(effect.GetModule());
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

nlohmann::json Describe(const CEffectMgr& mgr, CEffect& effect) {
    nlohmann::json params = nlohmann::json::array();
    int count = 0;
    const CEffectSetting* settings = effect.GetParams(&count);
    for (int i = 0; i < count; ++i) {
        const CEffectSetting& s = settings[i];
        nlohmann::json p = {{"key", s.key},
                            {"label", s.label},
                            {"kind", ParamKindName(s.kind)},
                            {"default", s.defaultValue}};
        if (s.kind == CEffectSetting::kChoice) {
            nlohmann::json choices = nlohmann::json::array();
            for (int c = 0; c < s.count; ++c)
                choices.push_back(s.ChoiceLabel(c) ? s.ChoiceLabel(c) : "");
            p["choices"] = choices;
        } else if (s.kind == CEffectSetting::kRange) {
            p["min"] = s.RangeMin();
            p["max"] = s.RangeMax();
        } else if (s.kind == CEffectSetting::kLayouts) {
            p["records"] = s.count;
        }
        params.push_back(p);
    }
    return {{"module", ModuleName(mgr, effect)},
            {"index", effect.GetIndex()},
            {"kind", KindName(effect.GetType())},
            {"name", effect.GetName()},
            {"displayName", effect.GetDisplayName()},
            {"parameters", params}};
}

void PrintText(const nlohmann::json& list) {
    // Mask names come from file names: printed through Printable.
    auto text = [](const nlohmann::json& value) { return Printable(value.get<std::string>()); };
    for (const auto& e : list) {
        std::cout << text(e["module"]) << " #" << e["index"].get<int>() << "  " << text(e["kind"])
                  << "  \"" << text(e["name"]) << "\"  (" << text(e["displayName"]) << ")\n";
        for (const auto& p : e["parameters"]) {
            std::cout << "    " << text(p["key"]) << " \"" << text(p["label"])
                      << "\": " << text(p["kind"]);
            if (p.contains("choices")) {
                const auto& choices = p["choices"];
                for (std::size_t i = 0; i < choices.size(); ++i)
                    std::cout << (i ? ", " : " ") << i << " \"" << text(choices[i]) << '"';
            } else if (p.contains("min")) {
                std::cout << ' ' << p["min"].get<int>() << " .. " << p["max"].get<int>();
            }
            std::cout << "; default " << p["default"].get<int>() << '\n';
        }
    }
}

} // namespace

void AddEffectsCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("effects", "List the effect catalogue: kinds, names, parameters");
    auto json = std::make_shared<bool>(false);
    cmd->add_flag("--json", *json, "Print the catalogue as JSON");
    auto plugins = std::make_shared<std::string>();
    cmd->add_option("--plugins", *plugins,
                    "List the modules of this folder instead of the program's plug-in folder")
        ->check(CLI::ExistingDirectory);
    cmd->callback([json, plugins] {
        std::unique_ptr<CEffectMgr> own;
        if (!plugins->empty())
            own = std::make_unique<CEffectMgr>(*plugins);
        const CEffectMgr& mgr = own ? *own : CEffectMgr::Global();
        if (mgr.GetFolder().empty())
            CliFail("cannot find the program's plug-in folder");
        // Standard output stays the catalogue alone (valid JSON with --json).
        for (const auto& skipped : mgr.GetSkippedModules())
            std::cerr << "kelvclip-cli: skipped plug-in " << Printable(skipped.path) << ": "
                      << Printable(skipped.reason)
                      << '\n';
        nlohmann::json list = nlohmann::json::array();
        for (const auto& entry : mgr.GetEntries())
            list.push_back(Describe(mgr, *entry));
        if (list.empty()) // an empty catalogue is a valid answer, but say where we looked
            std::cerr << "kelvclip-cli: no effects in " << Printable(mgr.GetFolder()) << '\n';
        if (*json)
            // Mask names come from file names, which need not be UTF-8: bad
            // bytes are shown as U+FFFD so the JSON stays valid.
            std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                      << '\n';
        else
            PrintText(list);
    });
}
