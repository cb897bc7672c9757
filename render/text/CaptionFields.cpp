#include "render/text/CaptionFields.h"

#include "media/AnyDecoder.h"
#include "media/ExifCache.h"
#include "project/AlbumItem.h"
#include "project/Slide.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <functional>

namespace CaptionFields {

namespace {

std::string FileName(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SizeText(long long bytes) {
    char text[32];
    auto up = [bytes](long long unit) { return (bytes + unit - 1) / unit; };
    if (bytes <= 1048575)
        std::snprintf(text, sizeof text, "%lld KB", up(1024));
    else if (bytes <= 1073741823)
        std::snprintf(text, sizeof text, "%lld MB", up(1048576));
    else
        std::snprintf(text, sizeof text, "%lld GB", up(1073741824));
    return text;
}

std::string DateText(const std::string& path) {
    std::time_t date = 0;
    if (!GetPictureDate(path, date))
        return {};
    std::tm local{};
    char text[64];
    if (!localtime_r(&date, &local) || std::strftime(text, sizeof text, "%x", &local) == 0)
        return "Invalid DateTime";
    return text;
}

// The names of the slide facts, without the "%" around them.
constexpr std::array<const char*, 7> kFactNames{"FILE",        "DATE",  "SIZE",  "DIMENSIONS",
                                                "DESCRIPTION", "SLIDE", "SLIDES"};

// Calls found(name, start, end) for each %NAME% of a text that a render may
// fill ([start, end) covers the "%"s), skipping "%%" as a whole.
template <typename Found>
void ScanFields(const std::string& text, Found found) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] != '%') {
            ++pos;
            continue;
        }
        if (text.compare(pos, 2, "%%") == 0) {
            pos += 2;
            continue;
        }
        std::size_t close = text.find('%', pos + 1);
        if (close != std::string::npos) {
            std::string name = text.substr(pos + 1, close - pos - 1);
            // A slide fact is passed over whole, as Substitute takes it.
            bool fact = std::find_if(kFactNames.begin(), kFactNames.end(), [&name](const char* f) {
                            return name == f;
                        }) != kFactNames.end();
            if (fact || IsFieldName(name)) {
                if (!fact)
                    found(name, pos, close + 1);
                pos = close + 1;
                continue;
            }
        }
        ++pos;
    }
}

} // namespace

bool IsFieldName(const std::string& name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    for (const char* fact : kFactNames)
        if (name == fact)
            return false;
    return true;
}

std::string Fill(const std::string& text, const std::map<std::string, std::string>& fields) {
    if (fields.empty())
        return text;
    std::string out;
    std::size_t copied = 0;
    ScanFields(text, [&](const std::string& name, std::size_t start, std::size_t end) {
        auto field = fields.find(name);
        if (field == fields.end())
            return;
        out.append(text, copied, start - copied);
        for (char c : field->second)
            out += c == '%' ? std::string("%%") : std::string(1, c);
        copied = end;
    });
    out.append(text, copied, std::string::npos);
    return out;
}

std::vector<std::string> FieldsUsed(const std::string& text) {
    std::vector<std::string> names;
    ScanFields(text, [&names](const std::string& name, std::size_t, std::size_t) {
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    });
    return names;
}

std::string Substitute(const std::string& text, const CSlide& slide, int slideNumber,
                       int slideCount) {
    if (text.find('%') == std::string::npos)
        return text;
    const CAlbumItem* item = slide.GetMainItem();
    const std::string path = item ? item->m_file : std::string();
    struct stat st {};
    const bool readable = !path.empty() && ::stat(path.c_str(), &st) == 0;
    // Each fact is found only when its name appears.
    const std::array<std::pair<const char*, std::function<std::string()>>, 8> fields{{
        {"%FILE%", [&] { return FileName(path); }},
        {"%DATE%", [&] { return readable ? DateText(path) : std::string(); }},
        {"%SIZE%", [&] { return readable ? SizeText(st.st_size) : std::string(); }},
        {"%DIMENSIONS%",
         [&] {
             auto info = readable ? PLAnyDecoder::GetInfo(path) : nullptr;
             return info ? std::to_string(info->GetWidth()) + " x " + std::to_string(info->GetHeight())
                         : std::string();
         }},
        {"%DESCRIPTION%", [&] { return readable ? GetExifText(path, "Main.Desc") : std::string(); }},
        {"%SLIDES%", [&] { return std::to_string(slideCount); }},
        {"%SLIDE%", [&] { return std::to_string(slideNumber); }},
        {"%%", [] { return std::string("%"); }},
    }};
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        bool replaced = false;
        if (text[pos] == '%')
            for (const auto& [name, value] : fields)
                if (text.compare(pos, std::char_traits<char>::length(name), name) == 0) {
                    out += value();
                    pos += std::char_traits<char>::length(name);
                    replaced = true;
                    break;
                }
        if (!replaced)
            out += text[pos++];
    }
    return out;
}

} // namespace CaptionFields
