#include "plugins/maskfx/ResourceMask.h"

#include <cstring>

CResourceMask::CResourceMask(const maskfx::SMaskResource& resource)
    : CMaskTransition(resource.name), m_resource(resource) {}

bool CResourceMask::ReadMaskData(std::uint8_t* buffer, std::size_t size) {
    if (size != m_resource.size)
        return false;
    std::memcpy(buffer, m_resource.data, size);
    return true;
}
