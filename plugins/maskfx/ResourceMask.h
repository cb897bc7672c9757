#pragma once

#include "plugins/maskfx/MaskResources.h"
#include "plugins/maskfx/MaskTransition.h"

// A mask shipped inside the module: its bytes and its name are those of one
// of the compiled-in resources.
class CResourceMask : public CMaskTransition {
public:
    explicit CResourceMask(const maskfx::SMaskResource& resource);

protected:
    std::size_t MaskDataSize() override { return m_resource.size; }
    bool ReadMaskData(std::uint8_t* buffer, std::size_t size) override;

private:
    const maskfx::SMaskResource& m_resource;
};
