#include "media/MediaFacts.h"

#include "media/AnyDecoder.h"

#include <algorithm>
#include <cctype>

bool CMediaFacts::ExtensionIn(const std::string& path, const std::string& list) {
    std::size_t dot = path.find_last_of('.');
    std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext.empty())
        return false;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        if (list.compare(start, end - start, ext) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

double CMediaFacts::VideoDuration(const std::string& path) {
    auto info = PLAnyDecoder::GetInfo(path);
    return info ? info->m_Duration : 0.0;
}

std::int64_t CMediaFacts::VideoFrameCount(const std::string& path) {
    auto info = PLAnyDecoder::GetInfo(path);
    return info ? info->m_FrameCount : 0;
}

bool CMediaFacts::VideoHasSound(const std::string& path) {
    auto info = PLAnyDecoder::GetInfo(path);
    return info && info->m_HasAudio;
}

bool CMediaFacts::PictureSize(const std::string& path, int& width, int& height) {
    auto info = PLAnyDecoder::GetInfo(path);
    width = info ? info->m_Width : 0;
    height = info ? info->m_Height : 0;
    return info && width > 0 && height > 0;
}
