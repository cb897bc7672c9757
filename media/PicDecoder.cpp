#include "media/PicDecoder.h"

#include "media/ExifRecord.h"
#include "media/TextException.h"

#include <algorithm>

PLPicDecoder::~PLPicDecoder() = default;

bool PLPicDecoder::GetExif(CExifRecord&) { return false; }

void PLPicDecoder::OpenOwned(std::unique_ptr<PLDataSource> source) {
    PLDataSource* raw = source.get();
    Open(raw);
    m_ownedSrc = std::move(source);
}

void PLPicDecoder::DecodeOwned(std::unique_ptr<PLDataSource> source, PLBmp* bmp, int bpp) {
    try {
        OpenOwned(std::move(source));
        DecodeTo(bmp, bpp);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void PLPicDecoder::DecodeFile(const std::string& path, PLBmp* bmp, int bpp,
                              IPLProgressNotification* progress) {
    auto source = std::make_unique<PLFileSource>();
    source->Open(path);
    source->SetProgressNotification(progress);
    DecodeOwned(std::move(source), bmp, bpp);
}

void PLPicDecoder::DecodeResource(const void* module, int id, PLBmp* bmp, int bpp,
                                  const char* type) {
    auto source = std::make_unique<PLResourceSource>();
    source->Open(module, id, type);
    DecodeOwned(std::move(source), bmp, bpp);
}

void PLPicDecoder::DecodeMemory(const std::uint8_t* data, std::size_t size, PLBmp* bmp, int bpp) {
    auto source = std::make_unique<PLMemSource>();
    source->Open(data, size);
    DecodeOwned(std::move(source), bmp, bpp);
}

void PLPicDecoder::CheckTarget(const PLBmp& bmp, int bpp) const {
    if (!m_pDataSrc)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    if (bmp.GetWidth() != m_Width || bmp.GetHeight() != m_Height || bmp.GetBitsPerPixel() != bpp)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
}

int PLPicDecoder::RequestedReduction(int width, int height) const {
    const int rw = m_RequestedWidth, rh = m_RequestedHeight;
    const int f = m_fitRequested
                      ? std::max(rw > 0 ? width / rw : 0, rh > 0 ? height / rh : 0)
                      : std::min(rw > 0 ? width / rw : 1, rh > 0 ? height / rh : 1);
    return f >= 8 ? 8 : f >= 4 ? 4 : f >= 2 ? 2 : 1;
}

void PLPicDecoder::DecodeTo(PLBmp* bmp, int bpp) {
    if (!bmp)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    if (bpp == 0 || bpp == m_bpp) {
        bmp->Create(*this);
        ReadImage(*bmp);
        return;
    }
    if (m_bpp >= bpp)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    PLAnyBmp temp;
    temp.Create(*this);
    ReadImage(temp);
    bmp->CreateCopy(temp, bpp);
}

void PLPicDecoder::Close() {
    m_pDataSrc = nullptr;
    m_ownedSrc.reset();
}

void PLPicDecoder::Open(PLDataSource* source) {
    m_pDataSrc = source;
}

void PLPicDecoder::ReadImage(PLBmp&) {
    throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
}
