#pragma once

#include <map>
#include <string>

// What the user did with a template the last time it was open: the pictures
// put in place of its own, and the output file and format. Kept per template
// (by its full path) in a folder beside the settings file, so that the same
// template opened again can offer them back, and an AVI after a DVD does not
// mean replacing every picture again.
class CTemplateMemory {
public:
    struct SState {
        std::map<std::string, std::string> replacements; // template picture → user's file
        std::string output;
        int standard = -1, disc = -1, width = 0, height = 0; // -1, 0: not kept
    };

    explicit CTemplateMemory(const std::string& templatePath);

    // What was kept; false when nothing (or nothing readable) was.
    bool Load(SState& state) const;
    // Keeps the state; a state without replacements forgets the template.
    void Save(const SState& state) const;
    void Forget() const;

    // The file the state is kept in (empty when there is no settings folder).
    [[nodiscard]] const std::string& File() const { return m_file; }

private:
    std::string m_template;
    std::string m_file;
};
