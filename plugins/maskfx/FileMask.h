#pragma once

#include "plugins/maskfx/MaskTransition.h"

#include <string>

// A mask picture the user dropped into the mask folder. Its name is the file's
// name (extension included); the file is read whole when the mask is first
// needed, so a file that disappears or breaks after the catalogue was built
// only leaves this transition without a mask.
class CFileMask : public CMaskTransition {
public:
    // Files larger than this are not read: no mask picture comes near it, and
    // the whole file would be held in memory while it is decoded.
    static constexpr std::size_t kMaxFileSize = std::size_t(256) << 20;

    explicit CFileMask(std::string path);

    [[nodiscard]] const std::string& Path() const { return m_path; }
    // The name after the last '/' of a path.
    static std::string FileNameOf(const std::string& path);

protected:
    bool DecodeMask() override;
    std::size_t MaskDataSize() override;
    bool ReadMaskData(std::uint8_t* buffer, std::size_t size) override;

private:
    std::string m_path;
};
