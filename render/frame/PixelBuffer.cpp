#include "render/frame/PixelBuffer.h"

#include "imgcore/CPU.h"

bool CPixelBuffer::Allocate(int width, int height) {
    Free();
    if (width <= 0 || height <= 0)
        return false;
    int stride = 0;
    m_bits = CCPU::ippiMalloc_8u_C4(width, height, &stride);
    if (!m_bits)
        return false;
    m_stride = stride;
    m_height = height;
    return true;
}

void CPixelBuffer::Free() {
    CCPU::ippiFree(m_bits);
    m_bits = nullptr;
    m_stride = m_height = 0;
}
