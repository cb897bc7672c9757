#include "media/AnyPicDecoder.h"

#include "media/BmpDecoder.h"
#include "media/ByteOrder.h"
#include "media/GIFDecoder.h"
#include "media/HEIFDecoder.h"
#include "media/JPEGDecoder.h"
#include "media/PCXDecoder.h"
#include "media/PNGDecoder.h"
#include "media/PSDDecoder.h"
#include "media/PictDecoder.h"
#include "media/PnmDecoder.h"
#include "media/TGADecoder.h"
#include "media/TIFFDecoder.h"
#include "media/TextException.h"
#include "media/WEBPDecoder.h"
#include "media/WEMFDecoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

PLAnyPicDecoder::PLAnyPicDecoder()
    : m_pBmpDec(std::make_unique<PLBmpDecoder>()), m_pPictDec(std::make_unique<PLPictDecoder>()),
      m_pTGADec(std::make_unique<PLTGADecoder>()), m_pTIFFDec(std::make_unique<PLTIFFDecoder>()),
      m_pJPEGDec(std::make_unique<PLJPEGDecoder>()), m_pPNGDec(std::make_unique<PLPNGDecoder>()),
      m_pWEMFDec(std::make_unique<PLWEMFDecoder>()), m_pPCXDec(std::make_unique<PLPCXDecoder>()),
      m_pPGMDec(std::make_unique<PLPGMDecoder>()), m_pGIFDec(std::make_unique<PLGIFDecoder>()),
      m_pPPMDec(std::make_unique<PLPPMDecoder>()), m_pPSDDec(std::make_unique<PLPSDDecoder>()),
      m_pWEBPDec(std::make_unique<PLWEBPDecoder>()), m_pHEIFDec(std::make_unique<PLHEIFDecoder>()) {}

PLAnyPicDecoder::~PLAnyPicDecoder() { Close(); }

namespace {

// Whether the first bytes hold an ISO base media file type box naming a HEIF
// still-picture brand, as major or compatible brand. MP4 and QuickTime clips
// start with the same box but name other brands. The box's bytes beyond what
// was read are not looked at.
bool IsHeifFileType(const std::uint8_t* b, std::size_t have) {
    static constexpr const char* kBrands[] = {"heic", "heix", "hevc", "heim", "heis", "hevm",
                                              "hevs", "mif1", "msf1", "avif", "avis"};
    if (have < 16 || std::memcmp(b + 4, "ftyp", 4) != 0)
        return false;
    // The box size counts its own eight header bytes; 0 means "to the end".
    const std::uint32_t boxSize = GetBE32(b);
    if (boxSize != 0 && boxSize < 16)
        return false;
    const std::size_t end = boxSize == 0 ? have : std::min<std::size_t>(boxSize, have);
    auto known = [](const std::uint8_t* brand) {
        return std::any_of(std::begin(kBrands), std::end(kBrands),
                           [brand](const char* k) { return std::memcmp(brand, k, 4) == 0; });
    };
    if (known(b + 8)) // the major brand; bytes 12 to 15 are its minor version
        return true;
    for (std::size_t at = 16; at + 4 <= end; at += 4)
        if (known(b + at))
            return true;
    return false;
}

} // namespace

PLAnyPicDecoder::EPicType PLAnyPicDecoder::DetermineType(const PLDataSource& source) {
    std::string name = source.GetName();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    if (name.find(".WMF") != std::string::npos)
        return kWmf;
    if (name.find(".EMF") != std::string::npos)
        return kEmf;

    // The first 512 bytes decide; bytes past the end of a short source read as 0.
    std::uint8_t b[540] = {};
    std::size_t have = 0;
    const std::uint8_t* p = source.Peek(sizeof b, have);
    if (have)
        std::memcpy(b, p, have);
    std::size_t size = source.GetBytesLeft();
    auto starts = [&](const char* s, std::size_t n) { return have >= n && !std::memcmp(b, s, n); };

    if (have >= 2 && (starts("BA", 2) || starts("BM", 2) || starts("IC", 2) || starts("CI", 2) ||
                      starts("CP", 2)))
        return kBmp;
    if (have >= 18 && b[1] < 2 && (b[2] <= 3 || (b[2] >= 9 && b[2] <= 11)) &&
        (b[7] == 0 || b[7] == 8 || b[7] == 15 || b[7] == 16 || b[7] == 24 || b[7] == 32) &&
        (b[16] == 8 || b[16] == 15 || b[16] == 16 || b[16] == 24 || b[16] == 32))
        return kTga;
    if (starts("II\x2A\x00", 4) || starts("MM\x00\x2A", 4))
        return kTiff;
    if (starts("GIF8", 4))
        return kGif;
    if (size > 540 && ((b[522] == 0x00 && b[523] == 0x11 && b[524] == 0x02 && b[525] == 0xFF) ||
                       (b[522] == 0x00 && b[523] == 0x11 && b[524] == 0x01) ||
                       (b[522] == 0x11 && b[523] == 0x01 && b[524] == 0x01 && b[525] == 0x00)))
        return kPict;
    if (starts("\xFF\xD8\xFF", 3))
        return kJpeg;
    if (starts("\x89PNG", 4))
        return kPng;
    if (have >= 28 && (starts("\xC5\xD0\xD3\xC6", 4) || starts("\xC6\xD3\xD0\xC5", 4)) &&
        GetLE32(b + 20) != 0 && GetLE32(b + 24) != 0)
        return kEpsTiff;
    if (have >= 3 && b[0] == 0x0A && b[2] == 1)
        return kPcx;
    if (starts("P2", 2) || starts("P5", 2))
        return kPgm;
    if (starts("P3", 2) || starts("P6", 2))
        return kPpm;
    if (starts("8BPS", 4))
        return kPsd;
    // WebP: a RIFF file of form type "WEBP".
    if (have >= 12 && starts("RIFF", 4) && std::memcmp(b + 8, "WEBP", 4) == 0)
        return kWebp;
    if (IsHeifFileType(b, have))
        return kHeif;
    return kUnknown;
}

void PLAnyPicDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    EPicType type = DetermineType(*source);
    PLPicDecoder* dec = nullptr;
    switch (type) {
    case kBmp: dec = m_pBmpDec.get(); break;
    case kTga: dec = m_pTGADec.get(); break;
    case kTiff: dec = m_pTIFFDec.get(); break;
    case kGif: dec = m_pGIFDec.get(); break;
    case kPict: dec = m_pPictDec.get(); break;
    case kJpeg: dec = m_pJPEGDec.get(); break;
    case kPng: dec = m_pPNGDec.get(); break;
    case kPcx: dec = m_pPCXDec.get(); break;
    case kPgm: dec = m_pPGMDec.get(); break;
    case kPpm: dec = m_pPPMDec.get(); break;
    case kPsd: dec = m_pPSDDec.get(); break;
    case kWebp: dec = m_pWEBPDec.get(); break;
    case kHeif: dec = m_pHEIFDec.get(); break;
    case kWmf:
    case kEmf: dec = m_pWEMFDec.get(); break;
    case kEpsTiff: {
        // The preview lies at the offset stored at byte 20, its length at 24.
        const std::uint8_t* h = source->GetBufferPtr(28);
        std::size_t offset = GetLE32(h + 20);
        std::size_t length = GetLE32(h + 24);
        source->Seek(source->GetCurPos() + offset);
        m_pTIFFDec->SetLength(length);
        dec = m_pTIFFDec.get();
        break;
    }
    case kUnknown: throw PLTextException(PL_ERRUNKNOWN_FILE_TYPE, kTextUnknownType);
    }
    dec->SetRequestedSize(m_RequestedWidth, m_RequestedHeight);
    dec->SetDraft(m_draft);
    dec->SetFitRequested(m_fitRequested);
    dec->Open(source);
    m_pCurDec = dec;
    SetBmpInfo(dec->GetBmpInfo());
}

void PLAnyPicDecoder::ReadImage(PLBmp& bmp) {
    if (!m_pCurDec)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    m_pCurDec->ReadImage(bmp);
}

bool PLAnyPicDecoder::GetExif(CExifRecord& record) {
    return m_pCurDec && m_pCurDec->GetExif(record);
}

void PLAnyPicDecoder::Close() {
    if (m_pCurDec)
        m_pCurDec->Close();
    m_pCurDec = nullptr;
    if (m_pTIFFDec)
        m_pTIFFDec->SetLength(0);
    PLPicDecoder::Close();
}
